#include "lookalikefinder.h"

#include "picture/lookalike.h"
#include "picture/pictureloader.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {
constexpr int ProgressMs = 200;
}

LookAlikeFinder::LookAlikeFinder(QObject *parent)
    : QObject(parent), m_progressTimer(new QTimer(this))
{
    m_progressTimer->setInterval(ProgressMs);
    connect(m_progressTimer, &QTimer::timeout, this,
            [this] { emit progress(m_done ? m_done->load() : 0, m_total); });
}

LookAlikeFinder::~LookAlikeFinder()
{
    if (m_thread != nullptr) {
        m_cancel->store(true);
        m_thread->wait();
        delete m_thread;
    }
}

void LookAlikeFinder::start(std::vector<QByteArray> files, Known known)
{
    cancel();
    m_cancel = std::make_shared<std::atomic_bool>(false);
    m_done = std::make_shared<std::atomic_int>(0);
    m_result = std::make_shared<LookAlikeResult>();
    m_total = int(files.size());
    // The thread holds its own shares: a cancelled search may end after a
    // new one has begun.
    m_thread = QThread::create(
        [files = std::move(files), known = std::move(known), cancel = m_cancel, done = m_done,
         result = m_result] { *result = find(files, known, cancel.get(), done.get()); });
    connect(m_thread, &QThread::finished, this, &LookAlikeFinder::threadEnded);
    m_thread->start(QThread::LowPriority);
    m_progressTimer->start();
    emit progress(0, m_total);
}

void LookAlikeFinder::cancel()
{
    if (m_thread == nullptr)
        return;
    m_cancel->store(true);
    // It ends on its own at the next file; nobody waits for it.
    disconnect(m_thread, &QThread::finished, this, &LookAlikeFinder::threadEnded);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_thread = nullptr;
    m_progressTimer->stop();
}

void LookAlikeFinder::threadEnded()
{
    m_progressTimer->stop();
    m_thread->deleteLater();
    m_thread = nullptr;
    emit progress(m_total, m_total);
    emit finished(*m_result);
}

LookAlikeResult LookAlikeFinder::find(const std::vector<QByteArray> &files, const Known &known,
                                      const std::atomic_bool *cancel, std::atomic_int *done)
{
    LookAlikeResult result;
    std::vector<quint64> hashes;
    std::vector<int> readable; // index into `files` of each hash
    hashes.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (cancel != nullptr && cancel->load()) {
            result.cancelled = true;
            return result;
        }
        const QString name = QFile::decodeName(files[i]);
        const QFileInfo info(name);
        const qint64 modified = info.lastModified().toSecsSinceEpoch();
        const auto stored = known.constFind(name);
        std::optional<quint64> hash;
        if (stored != known.constEnd() && stored->bytes == info.size() &&
            stored->modified == modified) {
            hash = stored->hash;
        } else if ((hash = LookAlike::hashFile(files[i], cancel))) {
            result.newHashes.insert(name, {info.size(), modified, *hash});
        }
        if (hash) {
            hashes.push_back(*hash);
            readable.push_back(int(i));
        }
        if (done != nullptr)
            done->fetch_add(1);
    }
    for (std::vector<int> group : LookAlike::groups(hashes)) {
        for (int &member : group)
            member = readable[size_t(member)];
        // The largest is kept: most pixels, then most bytes, then first listed.
        std::vector<std::pair<qint64, qint64>> sizes;
        for (const int member : group) {
            const QSize wh = PictureLoader::readSize(files[size_t(member)]).fullSize;
            sizes.emplace_back(qint64(qMax(0, wh.width())) * qMax(0, wh.height()),
                               QFileInfo(QFile::decodeName(files[size_t(member)])).size());
        }
        const auto keep = std::max_element(sizes.begin(), sizes.end()) - sizes.begin();
        for (size_t k = 0; k < group.size(); ++k) {
            if (qsizetype(k) != keep)
                result.copies.append(files[size_t(group[k])]);
        }
        result.groups.push_back(std::move(group));
    }
    return result;
}
