#include "picturerequest.h"

#include <QMutex>
#include <QSemaphore>
#include <QThreadPool>

// The owner may go away while a load runs; the worker only posts to it while
// holding the mutex and seeing it still there.
struct PictureRequest::Link
{
    QMutex mutex;
    PictureRequest *owner = nullptr;
};

PictureRequest::PictureRequest(QObject *parent) : QObject(parent), m_link(std::make_shared<Link>())
{
    m_link->owner = this;
}

PictureRequest::~PictureRequest()
{
    if (m_cancel)
        m_cancel->store(true);
    QMutexLocker lock(&m_link->mutex);
    m_link->owner = nullptr;
}

QThreadPool *PictureRequest::pool()
{
    // Its own threads: work queued on the global pool by other parts of the
    // program must never hold up a picture the user is waiting for.
    static QThreadPool threads;
    static const bool configured = [] {
        threads.setMaxThreadCount(3);
        threads.setObjectName(QStringLiteral("PictureThreads"));
        return true;
    }();
    Q_UNUSED(configured);
    return &threads;
}

quint64 PictureRequest::start(Job job, Job early)
{
    if (m_cancel)
        m_cancel->store(true);
    auto cancel = std::make_shared<std::atomic_bool>(false);
    m_cancel = cancel;
    const quint64 ticket = ++m_ticket;
    m_busy = true;
    ++m_stats.started;
    std::shared_ptr<Link> link = m_link;
    pool()->start([link, cancel, ticket, job = std::move(job), early = std::move(early)] {
        if (early && !cancel->load()) {
            DecodedPicture first = early(*cancel);
            QMutexLocker lock(&link->mutex);
            PictureRequest *owner = link->owner;
            if (owner == nullptr)
                return;
            if (first.picture.ok)
                QMetaObject::invokeMethod(
                    owner, [owner, ticket, first] { owner->deliverEarly(ticket, first); },
                    Qt::QueuedConnection);
        }
        DecodedPicture result;
        if (cancel->load())
            result.picture.cancelled = true;
        else
            result = job(*cancel);
        QMutexLocker lock(&link->mutex);
        PictureRequest *owner = link->owner;
        if (owner == nullptr)
            return;
        QMetaObject::invokeMethod(
            owner, [owner, ticket, result] { owner->deliver(ticket, result); },
            Qt::QueuedConnection);
    });
    return ticket;
}

void PictureRequest::cancel()
{
    if (m_cancel)
        m_cancel->store(true);
    ++m_ticket;
    m_busy = false;
}

void PictureRequest::deliver(quint64 ticket, const DecodedPicture &result)
{
    if (ticket != m_ticket || result.picture.cancelled) {
        ++m_stats.dropped;
        return;
    }
    m_busy = false;
    ++m_stats.delivered;
    emit finished(ticket, result);
}

void PictureRequest::deliverEarly(quint64 ticket, const DecodedPicture &result)
{
    if (ticket == m_ticket && m_busy)
        emit earlyFinished(ticket, result);
}

PictureRequest::Job PictureRequest::coverJob(const QByteArray &path, QSize box, bool withCorner)
{
    return [path, box, withCorner](const std::atomic_bool &cancel) {
        DecodedPicture out;
        out.path = path;
        // The unscaled corner is read on a second thread when one is free, so
        // that it costs no time next to the scaled decode.
        struct Corner
        {
            QSemaphore done;
            PictureResult result;
        };
        auto corner = std::make_shared<Corner>();
        // A format decoded whole gives its corner from the same decode.
        const bool apart = withCorner && PictureLoader::decodesParts(PictureLoader::formatOf(path));
        const bool parallel = apart && pool()->tryStart([corner, path, box, &cancel] {
            corner->result = PictureLoader::decodeTopLeft(path, box, &cancel);
            corner->done.release();
        });
        out.picture = PictureLoader::decodeToCover(path, box, &cancel,
                                                   withCorner && !apart ? &out.corner : nullptr);
        if (parallel)
            corner->done.acquire();
        if (!withCorner || !out.picture.ok)
            return out;
        if (out.picture.image.size() == out.picture.fullSize) {
            out.corner =
                out.picture.image.copy(0, 0, qMin(box.width(), out.picture.fullSize.width()),
                                       qMin(box.height(), out.picture.fullSize.height()));
            return out;
        }
        if (!out.corner.isNull())
            return out;
        if (!parallel)
            corner->result = PictureLoader::decodeTopLeft(path, box, &cancel);
        if (!corner->result.ok) {
            // Both parts come from the same file, or neither is shown.
            out.picture.ok = false;
            out.picture.cancelled = corner->result.cancelled;
            out.picture.error = corner->result.error;
            out.picture.image = QImage();
            return out;
        }
        out.corner = std::move(corner->result.image);
        return out;
    };
}

PictureRequest::Job PictureRequest::fullJob(const QByteArray &path)
{
    return [path](const std::atomic_bool &cancel) {
        DecodedPicture out;
        out.path = path;
        out.picture = PictureLoader::decodeFull(path, &cancel);
        return out;
    };
}
