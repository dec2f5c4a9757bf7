#include "crawlengine.h"

#include "cookiemirror.h"
#include "crawlreporter.h"
#include "linkextractor.h"
#include "picture/pictureloader.h"
#include "pictureacceptance.h"
#include "politeness.h"
#include "thttp.h"

#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QNetworkAccessManager>
#include <QTimer>

#include <optional>

namespace {

QString text(QByteArrayView bytes)
{
    return DecodeWebText(bytes);
}

} // namespace

CrawlEngine::CrawlEngine(CrawlReporter *reporter, QObject *parent)
    : QObject(parent), m_reporter(reporter), m_network(new QNetworkAccessManager(this)),
      m_links(new LinkExtractor(this)),
      m_imageSelection(new QItemSelectionModel(m_links->imageList(), this)),
      m_polite(new Politeness(m_network, this)), m_cookies(new CookieMirror(this))
{
    m_links->setReporter(reporter);
    useProxy(m_network, QNetworkProxy(QNetworkProxy::NoProxy)); // until the settings say otherwise
    for (int i = 0; i < SlotCount; ++i) {
        FetchSlot &slot = m_slots[size_t(i)];
        slot.number = i + 1;
        slot.http = new THTTP(this, m_network);
        slot.http->setObjectName(QStringLiteral("HTTP") + QString::number(i + 1));
        slot.timer = new QTimer(this);
        slot.timer->setObjectName(QStringLiteral("TimerF") + QString::number(i + 1));
        connect(slot.timer, &QTimer::timeout, this, [this, i] { TimerTick(m_slots[size_t(i)]); });
        connect(slot.http, &THTTP::OnDocOutput, this, [this, i](THTTP *, const DocOutput &doc) {
            DocOutputEvent(m_slots[size_t(i)], doc);
        });
    }
}

CrawlEngine::~CrawlEngine() = default;

THTTP *CrawlEngine::http(int slot) const
{
    return m_slots[size_t(slot - 1)].http;
}

QTimer *CrawlEngine::timer(int slot) const
{
    return m_slots[size_t(slot - 1)].timer;
}

bool CrawlEngine::isRunning() const
{
    for (const FetchSlot &slot : m_slots) {
        if (slot.timer->isActive())
            return true;
    }
    return false;
}

qint64 CrawlEngine::elapsedSeconds() const
{
    // A monotonic clock: a run that spans midnight still reports its length.
    return m_clock.isValid() ? m_clock.elapsed() / 1000 : 0;
}

void CrawlEngine::PrepareRun()
{
    m_reporter->ClearStatusAndLogs();
    m_clock.start();
    m_polite->reset();
    // A run still going is superseded: its slots take no further step. A
    // transfer left from it (a stopped run leaves them to end) is cancelled,
    // or the new run would wait for it to end before it could end itself.
    for (FetchSlot &slot : m_slots) {
        slot.timer->stop();
        slot.free = true;
        slot.state = FetchSlot::Ready;
        if (slot.http->IsBusy())
            slot.http->CancelTransfer();
    }
}

void CrawlEngine::ResetResults()
{
    m_links->resetPageLinkCount();
    m_listedCount = 0;
    // Each start looks for work from the first line: lines left "----" by
    // an earlier run (another host's pages, images a collect run passed)
    // are still to be done. Within a run the cursors only save rescanning.
    m_pageCursor = 0;
    m_imageCursor = 0;
    // A collect run works on the image list as it stands: clearing it would
    // leave nothing to collect.
    if (m_conditions.clearWWWResults && !m_collectMode) {
        m_reporter->clearFileList();
        m_downloadedCount = 0;
        m_links->clearLists();
    } else {
        m_reporter->clearFileListSelection();
    }
}

void CrawlEngine::StartCrawl(const QString &startURL)
{
    startRun(startURL, false);
}

void CrawlEngine::StartCollect(const QString &startURL)
{
    startRun(startURL, true);
}

void CrawlEngine::startRun(const QString &startURL, bool collect)
{
    m_collectMode = collect;
    useBrowserCookies(m_conditions.extra.browserCookies);
    ResetResults();
    const QByteArray url = EncodeShiftJis(startURL);
    // The host is taken from the line as listed: "http://host:80/" is
    // listed as "http://host/", and its pages must match that host.
    m_startURL = entryKey(url);
    m_startHost = HostOf(m_startURL);
    m_links->AddEntry(*m_links->urlList(), url);
    openRecord();
    StartFreeSlot();
}

void CrawlEngine::StartFreeSlot()
{
    const int speed = qBound(1, m_conditions.speed, SlotCount);
    for (int i = 0; i < speed; ++i) {
        FetchSlot &slot = m_slots[size_t(i)];
        if (!slot.free)
            continue;
        slot.state = FetchSlot::Ready;
        slot.ticks = 0;
        slot.free = false;
        slot.timer->start(m_tickMs);
        m_reporter->slotStatusText(slot.number, QStringLiteral("START"));
        m_reporter->LogError(QStringLiteral("Timer Start.... (") + QString::number(slot.number) +
                             QLatin1Char(')'));
        return;
    }
    m_reporter->slotStatusText(SlotPanel::Notice, QStringLiteral("No More Timer"));
}

void CrawlEngine::TimerTick(FetchSlot &slot)
{
    slot.timer->stop();
    switch (slot.state) {
    case FetchSlot::Ready:
        if (!WithinLimits()) {
            slot.state = FetchSlot::Finished;
        } else {
            slot.state = FetchSlot::Taking;
            slot.ticks = 0;
            if (!TakeJob(slot))
                slot.state = FetchSlot::Finished;
        }
        break;
    case FetchSlot::Taking:
        break;
    case FetchSlot::Waiting:
        ++slot.ticks;
        if (m_conditions.cutOffSeconds() < slot.ticks * m_tickMs / 1000) {
            CutOff(slot);
            slot.state = FetchSlot::Ready;
            slot.ticks = 0;
        }
        break;
    case FetchSlot::Received:
        if (slot.imageJob) {
            if (IsPicture(slot) && !dropSameContent(slot))
                CheckAndListImage(slot);
        } else {
            const CrawlPage page{slot.number, slot.pageHost, slot.pageURL, slot.line};
            m_links->ExtractLinks(page, slot.received, m_conditions.imageTypes, m_conditions.extra);
        }
        slot.received.clear();
        if (slot.state == FetchSlot::Received)
            mark(slot, LinkList::Done);
        slot.state = FetchSlot::Ready;
        break;
    case FetchSlot::Empty:
        slot.state = FetchSlot::Ready;
        mark(slot, LinkList::Failed);
        break;
    case FetchSlot::Finished:
        m_reporter->slotStatusText(slot.number, QStringLiteral("----"));
        slot.free = true;
        CheckAllEnded();
        return;
    }
    slot.timer->start(m_tickMs);
}

bool CrawlEngine::WithinLimits()
{
    const SearchConditions &conditions = m_conditions;
    if (m_links->pageLinkCount() >= conditions.urlMaximum()) {
        m_reporter->statusText(MainPanel::Work,
                               QStringLiteral("URL Max : ") + conditions.maxURL.text);
        return false;
    }
    // Several slots may finish downloads between two ticks, so the count can
    // pass the maximum without ever equalling it; a negative maximum (the
    // fall-back of a text that is no integer) never stops the run.
    const int imageMaximum = conditions.imageMaximum();
    if (imageMaximum >= 0 && m_downloadedCount >= imageMaximum) {
        m_reporter->statusText(MainPanel::Progress,
                               QStringLiteral("Image Max : ") + conditions.maxImage.text);
        return false;
    }
    return true;
}

qsizetype CrawlEngine::NextImageEntry()
{
    LinkList &list = *m_links->imageList();
    for (qsizetype row = m_imageCursor; row < list.size(); ++row) {
        const bool take = m_collectMode ? m_imageSelection->isRowSelected(int(row))
                                        : list.status(row) == LinkList::New;
        if (take)
            return row;
    }
    return -1;
}

qsizetype CrawlEngine::NextPageEntry()
{
    LinkList &list = *m_links->urlList();
    for (qsizetype row = m_pageCursor; row < list.size(); ++row) {
        if (list.status(row) == LinkList::New &&
            HostView(list.urlOf(row)) == QByteArrayView(m_startHost))
            return row;
    }
    return -1;
}

bool CrawlEngine::TakeJob(FetchSlot &slot)
{
    const SearchConditions &conditions = m_conditions;
    LinkList &images = *m_links->imageList();
    LinkList &pages = *m_links->urlList();
    QByteArray url;
    qsizetype row = -1;
    if (conditions.saveToFile)
        skipRecordedImages();
    if (conditions.saveToFile && (row = NextImageEntry()) >= 0) {
        if (heldBack(slot, images, row))
            return true;
        // The line read is shown in the slot bar; its selection is spent.
        url = m_links->ReadEntry(images, row).url;
        m_links->MarkEntry(images, row, LinkList::Started);
        m_imageSelection->select(images.index(int(row)), QItemSelectionModel::Deselect);
        m_imageCursor = row;
        slot.imageJob = true;
        slot.pageURL = url;
    } else if (!m_collectMode && (row = NextPageEntry()) >= 0) {
        if (heldBack(slot, pages, row))
            return true;
        url = m_links->ReadEntry(pages, row).url;
        m_links->MarkEntry(pages, row, LinkList::Started);
        m_pageCursor = row;
        m_reporter->LogNormal(QStringLiteral("Found : ") + text(url));
        m_reporter->statusText(MainPanel::Address, text(url));
        slot.imageJob = false;
        slot.pageHost = m_startHost;
        slot.pageURL = url;
    } else {
        slot.state = FetchSlot::Finished;
        return true;
    }
    slot.line = row;
    if (slot.imageJob) {
        const QString extension = PictureAcceptance::savedExtension(url, conditions);
        slot.typeFromServer = extension.isEmpty() && conditions.extra.contentType;
        slot.savePath = conditions.saveDirectory + QLatin1Char('/') +
                        QString::asprintf("%4.4d", entryNumber(row)) + extension;
        m_reporter->slotStatusText(slot.number, QStringLiteral("IMAGE"));
    } else {
        m_reporter->slotStatusText(slot.number, QStringLiteral("TEXT"));
    }
    if (!hasWebPrefix(url)) {
        m_reporter->LogError(QStringLiteral("Irigal URL : ") + text(url));
        return false;
    }
    m_reporter->slotURL(slot.number, text(url));
    StartRequest(slot);
    StartFreeSlot();
    return true;
}

void CrawlEngine::StartRequest(FetchSlot &slot)
{
    slot.state = FetchSlot::Waiting;
    slot.ticks = 0;
    slot.received.clear();
    if (slot.http->IsBusy())
        slot.http->CancelTransfer();
    slot.http->setMaxBytes(slot.imageJob ? ImageCap : PageCap);
    if (slot.imageJob)
        slot.http->SetOutputFile(slot.savePath);
    addCourtesy(slot);
    slot.http->GetDoc(text(slot.pageURL));
}

void CrawlEngine::logTransferError(const FetchSlot &slot, const DocOutput &doc)
{
    m_reporter->LogError(QStringLiteral("転送エラー : ") + slot.http->URL() + QStringLiteral(" (") +
                         doc.ErrorText() + QLatin1Char(')'));
}

void CrawlEngine::DocOutputEvent(FetchSlot &slot, const DocOutput &doc)
{
    m_reporter->progressText(MainPanel::Progress,
                             QString::asprintf("Bytes: %d", int(doc.ByteCount)));
    // A transfer whose slot has moved on (cut off, or a new run) has nothing
    // left to hand over.
    if (slot.state != FetchSlot::Waiting)
        return;
    switch (doc.DocState) {
    case DocOutput::Begin:
        m_reporter->clearSource();
        slot.received.clear();
        break;
    case DocOutput::Data:
        // An image goes to its file; only whether data came is kept here.
        if (slot.imageJob)
            slot.received = QByteArray(1, '\1');
        else
            slot.received += doc.ReadChunk();
        break;
    case DocOutput::End:
        if (putBack(slot)) {
            break;
        } else if (doc.OutputFailed()) {
            m_reporter->LogError(QStringLiteral("保存エラー : ") + doc.ErrorText());
            slot.received.clear();
            slot.state = FetchSlot::Empty;
        } else if (doc.Failed() && doc.ByteCount > 0) {
            // Data had begun: what came is not the document.
            logTransferError(slot, doc);
            slot.received.clear();
            slot.state = FetchSlot::Empty;
        } else if (slot.received.isEmpty()) {
            m_reporter->LogNormal(QStringLiteral("  No Data"));
            if (doc.Failed())
                logTransferError(slot, doc);
            slot.state = FetchSlot::Empty;
        } else {
            if (slot.imageJob)
                ++m_downloadedCount;
            else
                followMovedPage(slot);
            slot.state = FetchSlot::Received;
        }
        break;
    default:
        break;
    }
}

// A page that was redirected is read where it was found in the end, as a
// browser reads it: its relative links lead from there, not from the address
// it moved away from (to another directory, or from http to https). When the
// start page itself has moved to another host ("host.jp" to "www.host.jp"),
// the crawl follows it there, or it would end after one page.
void CrawlEngine::followMovedPage(FetchSlot &slot)
{
    const QString documentURL = slot.http->DocumentURL();
    if (documentURL == slot.http->URL())
        return;
    const bool startPage = slot.pageURL == m_startURL;
    slot.pageURL = documentURL.toLatin1(); // fully encoded: ASCII only
    slot.pageHost = HostOf(slot.pageURL);
    if (startPage)
        m_startHost = slot.pageHost;
}

void CrawlEngine::CutOff(FetchSlot &slot)
{
    mark(slot, LinkList::Failed);
    slot.http->CancelTransfer();
    m_reporter->LogError(QStringLiteral("打ち切り(URL) : ") + slot.http->URL());
}

void CrawlEngine::CheckAllEnded()
{
    for (const FetchSlot &slot : m_slots) {
        if (slot.timer->isActive() || slot.http->TransferState() != 0)
            return;
    }
    m_reporter->statusText(MainPanel::Work, QStringLiteral("All Timer End"));
    m_reporter->statusText(MainPanel::Time,
                           QString::number(elapsedSeconds()) + QStringLiteral(" 秒"));
    FinishRun();
}

void CrawlEngine::FinishRun()
{
    m_reporter->statusText(MainPanel::Work, QStringLiteral("探索終了"));
    m_collectMode = false;
    m_reporter->statusText(MainPanel::Time,
                           QString::number(elapsedSeconds()) + QStringLiteral(" 秒"));
    emit runFinished();
}

void CrawlEngine::Stop()
{
    // Transfers in progress are deliberately left to end: an image arriving
    // whole is still written under its name, though no tick lists it. The
    // next run cancels whatever is left (PrepareRun).
    for (FetchSlot &slot : m_slots)
        slot.timer->stop();
    FinishRun();
    m_reporter->statusText(MainPanel::Work, QStringLiteral("探索中止"));
}

void CrawlEngine::ClearAll()
{
    m_links->clearLists();
    m_downloadedCount = 0;
    m_pageCursor = 0;
    m_imageCursor = 0;
}

void CrawlEngine::CheckAndListImage(FetchSlot &slot)
{
    const SearchConditions &conditions = m_conditions;
    const QByteArray path = QFile::encodeName(slot.savePath);
    const QFileInfo info(slot.savePath);
    if (!info.isFile()) {
        // Gone between its download and this tick: nothing to list.
        m_reporter->LogError(PictureLoader::cannotOpenText(path));
        return;
    }
    const qint64 size = info.size();
    if (conditions.checkSize) {
        const qint64 kilobytes = size / 1000;
        if (kilobytes > conditions.maximumKB() || kilobytes < conditions.minimumKB()) {
            m_reporter->LogError(QStringLiteral("File Size ") + slot.savePath);
            return;
        }
    }
    // The header gives the size; a picture that cannot be measured passes
    // both checks. A GIF passes the ratio check unless GIFs are decoded: the
    // check has always measured only pictures the viewer can show.
    const bool shown = conditions.extra.gifShow ||
                       !slot.savePath.endsWith(QLatin1String(".gif"), Qt::CaseInsensitive);
    const std::optional<int> ratio =
        conditions.checkRatio && shown ? conditions.ratioLimit() : std::nullopt;
    const bool pixelSize = conditions.extra.pixelSize;
    const QSize wh = ratio || pixelSize ? PictureLoader::readSize(path).fullSize : QSize();
    const bool measured = wh.width() > 0 && wh.height() > 0;
    // Both divisions drop their remainders on purpose: the limit counts in
    // whole hundreds of percent, so 200 rejects only pictures at least three
    // times as wide as high, and 150 acts as 100.
    if (ratio && measured && *ratio / 100 < wh.width() / wh.height()) {
        m_reporter->LogError(QStringLiteral("比率チェック ") + slot.savePath);
        return;
    }
    if (pixelSize && measured &&
        (wh.width() < conditions.extra.minWidth || wh.height() < conditions.extra.minHeight)) {
        m_reporter->LogError(QStringLiteral("大きさチェック ") + slot.savePath);
        return;
    }
    listPicture(slot.savePath, size);
    recordListed(slot, size);
}

void CrawlEngine::listPicture(const QString &file, qint64 size)
{
    m_reporter->listAcceptedImage(QFile::encodeName(file), size);
    ++m_listedCount;
    m_reporter->statusText(MainPanel::Images, QStringLiteral("画像 : ") +
                                                  QString::number(m_listedCount) +
                                                  QStringLiteral("件"));
    m_reporter->autoDisplay();
}

// With the extras: an address without a known type is named by the server's
// type, and the bytes must be a picture of a selected type. A download that
// is no picture is removed and its line fails; it does not count as a
// downloaded image. Pictures refused by size, ratio or least size stay, as
// they always did, and count.
bool CrawlEngine::IsPicture(FetchSlot &slot)
{
    const SearchConditions &conditions = m_conditions;
    if (slot.typeFromServer) {
        const QString contentType = slot.http->ContentType();
        const QString extension =
            PictureAcceptance::extensionForContentType(contentType, conditions.imageTypes);
        if (extension.isEmpty()) {
            refusePicture(slot, contentType.isEmpty() ? QStringLiteral("no type") : contentType);
            return false;
        }
        const QString named = slot.savePath + extension;
        QFile::remove(named);
        if (!QFile::rename(slot.savePath, named)) {
            m_reporter->LogError(QStringLiteral("保存エラー : ") + named);
            mark(slot, LinkList::Failed);
            slot.state = FetchSlot::Empty;
            return false;
        }
        slot.savePath = named;
    }
    if (!conditions.extra.magic)
        return true;
    QFile file(slot.savePath);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(64) : QByteArray();
    const QString what = PictureAcceptance::notAPicture(head, conditions.imageTypes);
    if (what.isEmpty())
        return true;
    refusePicture(slot, what);
    return false;
}

void CrawlEngine::refusePicture(FetchSlot &slot, const QString &what)
{
    QFile::remove(slot.savePath);
    --m_downloadedCount;
    m_reporter->LogError(QStringLiteral("画像ではありません : ") + text(slot.pageURL) +
                         QStringLiteral(" (") + what + QLatin1Char(')'));
    mark(slot, LinkList::Failed);
    slot.state = FetchSlot::Empty; // not marked again as done
}

LinkList &CrawlEngine::listOf(const FetchSlot &slot) const
{
    return slot.imageJob ? *m_links->imageList() : *m_links->urlList();
}

void CrawlEngine::mark(FetchSlot &slot, int status)
{
    m_links->MarkEntry(listOf(slot), slot.line, status);
}
