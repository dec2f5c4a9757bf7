// The crawl's use of the record of saved pictures: pictures already saved are
// not fetched again, a download with a saved picture's bytes is dropped, and
// entry numbers go on after those in use. Each step is a no-op while its
// setting is off, so the crawl behaves as it always did.
#include "crawlengine.h"

#include "crawlreporter.h"
#include "linkextractor.h"
#include "picture/pictureloader.h"
#include "record/picturerecord.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>

namespace {

// Recorded pictures skipped in one step of a slot: a second crawl of a large
// site passes its recorded lines quickly without holding the UI thread long.
constexpr int SkipsPerStep = 64;

QByteArray sha256Of(const QString &file)
{
    QFile in(file);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!in.open(QIODevice::ReadOnly) || !hash.addData(&in))
        return {};
    return hash.result();
}

// The recorded file is still there as it was saved.
bool stillSaved(const RecordedPicture &picture)
{
    const QFileInfo info(picture.file);
    return info.isFile() && info.size() == picture.bytes;
}

} // namespace

bool CrawlEngine::recordInUse() const
{
    return m_record != nullptr && m_conditions.extra.record && m_record->isOpen();
}

void CrawlEngine::openRecord()
{
    m_listedFiles.clear();
    m_lastNumber.reset();
    if (m_record == nullptr || !m_conditions.extra.record)
        return;
    const QString name = m_conditions.extra.recordName.trimmed();
    QStringList errors;
    m_record->open(PictureRecord::pathFor(name.isEmpty() ? QStringLiteral("Vellisk.db") : name,
                                          m_conditions.saveDirectory),
                   &errors);
    for (const QString &line : errors)
        m_reporter->LogError(line);
}

// Image lines whose picture is recorded and still on disk are done without
// a request: the recorded file is listed in their place.
void CrawlEngine::skipRecordedImages()
{
    if (!m_conditions.extra.skipSaved || !recordInUse())
        return;
    LinkList &images = *m_links->imageList();
    for (int n = 0; n < SkipsPerStep; ++n) {
        const qsizetype row = NextImageEntry();
        if (row < 0)
            return;
        const QString url = DecodeWebText(images.urlOf(row));
        const std::optional<RecordedPicture> recorded = m_record->findURL(url);
        if (!recorded || !stillSaved(*recorded))
            return;
        m_links->ReadEntry(images, row);
        m_imageSelection->select(images.index(int(row)), QItemSelectionModel::Deselect);
        m_imageCursor = row;
        m_links->MarkEntry(images, row, LinkList::Done);
        m_reporter->LogNormal(QStringLiteral("記録済み : ") + url + QStringLiteral(" → ") +
                              recorded->file);
        if (!m_listedFiles.contains(recorded->file)) {
            m_listedFiles.insert(recorded->file);
            listPicture(recorded->file, recorded->bytes);
        }
    }
}

// The number of a new picture's file: the line's own, or with "番号を続ける"
// the next after the highest in use in the save directory, on disk or in the
// record. The directory is read once a run.
int CrawlEngine::entryNumber(qsizetype row)
{
    if (!m_conditions.extra.continueNumbers)
        return int(row + 1);
    if (!m_lastNumber) {
        int highest = recordInUse() ? m_record->highestNumber(m_conditions.saveDirectory) : 0;
        const QStringList names = QDir(m_conditions.saveDirectory).entryList(QDir::Files);
        for (const QString &name : names)
            highest = qMax(highest, PictureRecord::entryNumber(name).value_or(0));
        m_lastNumber = highest;
    }
    return ++*m_lastNumber;
}

// A download whose bytes are those of a recorded picture still on disk is
// removed; the recorded file is listed in its place, and its URL is recorded
// with that file so that a later crawl need not fetch it.
bool CrawlEngine::dropSameContent(FetchSlot &slot)
{
    slot.sha256.clear();
    if (!recordInUse())
        return false;
    slot.sha256 = sha256Of(slot.savePath);
    if (!m_conditions.extra.sameContent || slot.sha256.isEmpty())
        return false;
    std::optional<RecordedPicture> recorded = m_record->findSha256(slot.sha256);
    if (!recorded || recorded->file == slot.savePath || !stillSaved(*recorded))
        return false;
    QFile::remove(slot.savePath);
    const QString url = DecodeWebText(slot.pageURL);
    m_reporter->LogNormal(QStringLiteral("同じ画像 : ") + url + QStringLiteral(" = ") +
                          recorded->file);
    RecordedPicture alias = *recorded;
    alias.url = url;
    alias.pageURL.clear();
    alias.saved = QDateTime::currentDateTime().toString(Qt::ISODate);
    QString error;
    if (!m_record->add(alias, &error))
        m_reporter->LogError(QStringLiteral("記録DBエラー : ") + m_record->path() +
                             QStringLiteral(" (") + error + QLatin1Char(')'));
    if (!m_listedFiles.contains(recorded->file)) {
        m_listedFiles.insert(recorded->file);
        listPicture(recorded->file, recorded->bytes);
    }
    return true;
}

void CrawlEngine::recordListed(FetchSlot &slot, qint64 size)
{
    if (!recordInUse())
        return;
    m_listedFiles.insert(slot.savePath);
    RecordedPicture picture;
    picture.url = DecodeWebText(slot.pageURL);
    const LinkList &pages = *m_links->urlList();
    const qint32 page = m_links->imageList()->sourceOf(slot.line);
    if (page >= 0 && page < pages.size())
        picture.pageURL = DecodeWebText(pages.urlOf(page));
    picture.file = slot.savePath;
    picture.bytes = size;
    const QSize wh = PictureLoader::readSize(QFile::encodeName(slot.savePath)).fullSize;
    picture.width = qMax(0, wh.width());
    picture.height = qMax(0, wh.height());
    picture.sha256 = slot.sha256.isEmpty() ? sha256Of(slot.savePath) : slot.sha256;
    picture.saved = QDateTime::currentDateTime().toString(Qt::ISODate);
    QString error;
    if (!m_record->add(picture, &error))
        m_reporter->LogError(QStringLiteral("記録DBエラー : ") + m_record->path() +
                             QStringLiteral(" (") + error + QLatin1Char(')'));
}
