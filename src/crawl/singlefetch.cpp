#include "singlefetch.h"

#include "crawlengine.h"
#include "crawlreporter.h"
#include "linklist.h"
#include "picture/picturerequest.h"
#include "thttp.h"
#include "webaddress.h"

#include <QFile>
#include <QTimer>

namespace {

// Every CR, LF or CR LF becomes CR LF. Safe on Shift-JIS and UTF-8 bytes:
// neither uses 0x0D or 0x0A inside a character.
QByteArray uniformLineBreaks(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 32);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out.append("\r\n");
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out.append(c);
        }
    }
    return out;
}

} // namespace

SingleFetch::SingleFetch(THTTP *http, QTimer *timerGazou, CrawlReporter *reporter, QObject *parent)
    : QObject(parent), m_http(http), m_timerGazou(timerGazou), m_reporter(reporter),
      m_loader(new PictureRequest(this))
{
    connect(m_http, &THTTP::OnDocOutput, this,
            [this](THTTP *, const DocOutput &doc) { HTTP0DocOutput(doc); });
    connect(m_timerGazou, &QTimer::timeout, this, &SingleFetch::TimerGazouTimer);
    connect(m_loader, &PictureRequest::finished, this,
            [this](quint64, const DecodedPicture &result) { pictureLoaded(result); });
}

SingleFetch::~SingleFetch() = default;

void SingleFetch::setImageTarget(const QString &savePath)
{
    m_imageFlag = true;
    m_savePath = savePath;
}

void SingleFetch::fetch(const QString &url)
{
    if (url.isEmpty())
        return;
    m_pageURL = url;
    if (m_http->IsBusy())
        m_http->CancelTransfer();
    // A picture of an earlier transfer is no longer waited for.
    m_timerGazou->stop();
    m_loader->cancel();
    m_transferIsImage = m_imageFlag;
    // A page is held whole in memory and shown: the crawl's caps apply.
    m_http->setMaxBytes(m_imageFlag ? CrawlEngine::ImageCap : CrawlEngine::PageCap);
    if (m_imageFlag) {
        m_http->SetOutputFile(m_savePath, false);
        m_reporter->statusText(MainPanel::Work, QStringLiteral("イメージ転送中"));
    }
    setBusy(true);
    m_http->GetDoc(url);
    m_reporter->statusText(MainPanel::Address, NormalizeBrowsedURL(url));
}

void SingleFetch::cancel()
{
    if (m_http->IsBusy())
        m_http->CancelTransfer();
    m_timerGazou->stop();
    m_loader->cancel();
    m_received.clear();
    setBusy(false);
}

void SingleFetch::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

void SingleFetch::HTTP0DocOutput(const DocOutput &doc)
{
    m_reporter->progressText(MainPanel::Time, QStringLiteral("Bytes: %1").arg(doc.ByteCount));
    switch (doc.DocState) {
    case DocOutput::Begin:
        m_received.clear();
        m_gotData = false;
        emit sourceCleared();
        break;
    case DocOutput::Data:
        m_gotData = true;
        // A picture goes to its file; only a page is kept as text.
        if (!m_transferIsImage)
            m_received.append(doc.ReadChunk());
        break;
    case DocOutput::End:
        if (doc.Failed()) {
            // What arrived before the failure is not the document.
            m_reporter->LogError(m_http->URL() + QStringLiteral(" : ") + doc.ErrorText());
            m_gotData = false;
        }
        if (!m_gotData) {
            m_reporter->LogNormal(QStringLiteral("  No Data"));
            setBusy(false);
            emit fetchEnded();
        } else if (m_transferIsImage) {
            m_timerGazou->start(ShowDelayMs);
        } else {
            m_source = DecodeWebText(uniformLineBreaks(m_received));
            m_pageHost = m_http->RemoteHost();
            m_pageURL = m_http->DocumentURL();
            emit sourceArrived(m_source);
            setBusy(false);
            emit fetchEnded();
        }
        m_received.clear();
        break;
    default:
        break;
    }
}

void SingleFetch::TimerGazouTimer()
{
    m_timerGazou->stop();
    m_loader->start(PictureRequest::fullJob(QFile::encodeName(m_savePath)));
}

void SingleFetch::pictureLoaded(const DecodedPicture &result)
{
    if (!result.picture.ok) {
        m_reporter->statusText(MainPanel::Work, result.picture.error);
        setBusy(false);
        return;
    }
    emit pictureArrived(result.picture.image, m_pageURL);
    setBusy(false);
    m_reporter->statusText(MainPanel::Work, QStringLiteral("画像表示完了"));
}
