#include "thttp.h"

#include "downloadfile.h"
#include "urlroutines.h"
#include "webaddress.h"

#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <algorithm>
#include <utility>

namespace {
const QByteArray UserAgent = QByteArrayLiteral("Vellisk/1.0 (image gatherer)");
constexpr int MaxRedirects = 10;

// Direct connections, as a manager set to NoProxy makes them, but with the
// final choice left to the socket. Given NoProxy, Qt 6.4 opens unbuffered
// sockets and reads every status and header line one byte per system call,
// which cost a crawl of 600 documents some 144,000 reads; a socket whose
// proxy is "the application's" (none) is buffered. The requests on the wire
// are the same. Where the application does name a proxy, the answer is
// NoProxy, so that switching the proxy off always means a direct connection.
class DirectProxyFactory : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        const QList<QNetworkProxy> application = QNetworkProxyFactory::proxyForQuery(query);
        if (!application.isEmpty() && application.first().type() == QNetworkProxy::NoProxy)
            return {QNetworkProxy(QNetworkProxy::DefaultProxy)};
        return {QNetworkProxy(QNetworkProxy::NoProxy)};
    }
};

} // namespace

void useProxy(QNetworkAccessManager *manager, const QNetworkProxy &proxy)
{
    if (proxy.type() == QNetworkProxy::NoProxy)
        manager->setProxyFactory(new DirectProxyFactory); // replaces any proxy set before
    else
        manager->setProxy(proxy); // replaces any factory set before
}

THTTP::THTTP(QObject *parent, QNetworkAccessManager *manager) : QObject(parent), m_manager(manager)
{
}

THTTP::~THTTP()
{
    dropReply();
}

QNetworkAccessManager *THTTP::manager()
{
    if (m_manager == nullptr) {
        // Created on first use: an idle control costs nothing at start.
        m_manager = new QNetworkAccessManager(this);
        useProxy(m_manager, m_proxy);
    }
    return m_manager;
}

int THTTP::TransferState() const
{
    if (m_refusing)
        return Requesting;
    if (m_reply == nullptr)
        return Idle;
    return m_begun ? Receiving : Requesting;
}

void THTTP::SetOutputFile(const QString &path, bool append)
{
    Q_UNUSED(append)
    m_pendingOutput = path;
}

void THTTP::SetProxy(bool use, const QString &host, int port)
{
    // Host and port are kept while the proxy is off, ready for the next use.
    m_proxy =
        QNetworkProxy(use ? QNetworkProxy::HttpProxy : QNetworkProxy::NoProxy, host, quint16(port));
    // A shared manager takes it for every control it serves.
    if (m_manager != nullptr)
        useProxy(m_manager, m_proxy);
}

void THTTP::applyProxy(const ProxyChoice &proxy)
{
    if (proxy.inUse)
        SetProxy(true, proxy.host, proxy.port);
    else
        SetProxy(false, m_proxy.hostName(), m_proxy.port());
}

void THTTP::GetDoc(const QString &url)
{
    dropReply();
    ++m_ticket;
    m_url = url;
    m_documentURL = url;
    m_contentType.clear();
    m_status = 0;
    m_retryAfter.clear();
    const QString referer = std::exchange(m_pendingReferer, QString());
    const QByteArray accept = std::exchange(m_pendingAccept, QByteArray());
    m_bytes = 0;
    m_begun = false;
    m_failed = false;
    m_outputFailed = false;
    m_error.clear();
    // Taken as written: a bare path must not become a local file.
    const QUrl target(url);
    m_remoteHost = target.host();
    const QString output = std::exchange(m_pendingOutput, QString());

    if (!isWebAddress(target)) {
        refuse(QStringLiteral("not an http or https URL"), false);
        return;
    }
    if (!output.isEmpty()) {
        m_output = std::make_unique<DownloadFile>(output);
        if (!m_output->open()) {
            const QString reason = output + QStringLiteral(": ") + m_output->errorString();
            m_output.reset();
            refuse(reason, true);
            return;
        }
    }

    QNetworkRequest request(target);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setTransferTimeout(m_timeoutMs);
    addCourtesyHeaders(request, referer, accept);
    m_reply = manager()->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &THTTP::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &THTTP::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &THTTP::onFinished);
    connect(m_reply, &QNetworkReply::redirected, this, [this](const QUrl &to) {
        if (!isWebScheme(to.scheme().toLatin1())) {
            m_failed = true;
            m_error = QStringLiteral("redirected to ") + to.toString();
            m_reply->abort();
        }
    });
}

void THTTP::addCourtesyHeaders(QNetworkRequest &request, const QString &referer,
                               const QByteArray &accept)
{
    if (!accept.isEmpty()) {
        request.setRawHeader("Accept", accept);
        request.setRawHeader("Accept-Language", acceptLanguage());
    }
    const QUrl page(referer);
    if (referer.isEmpty() || !isWebAddress(page))
        return;
    // What a browser sends: no fragment, no user name or password, and
    // nothing from an https page to an http address.
    if (page.scheme() == QLatin1String("https") && request.url().scheme() == QLatin1String("http"))
        return;
    request.setRawHeader("Referer",
                         page.adjusted(QUrl::RemoveFragment | QUrl::RemoveUserInfo).toEncoded());
}

// The user's languages, then Japanese, the language of the program.
QByteArray THTTP::acceptLanguage()
{
    static const QByteArray languages = [] {
        QStringList names = QLocale::system().uiLanguages();
        names.removeAll(QStringLiteral("C"));
        if (std::none_of(names.cbegin(), names.cend(),
                         [](const QString &n) { return n.startsWith(QLatin1String("ja")); }))
            names.append(QStringLiteral("ja"));
        QByteArray value;
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (i > 0)
                value += ',';
            value += names[i].toLatin1();
            if (i > 0)
                value += ";q=0." + QByteArray::number(qMax(1, 9 - int(i)));
        }
        return value;
    }();
    return languages;
}

void THTTP::refuse(const QString &reason, bool outputFailed)
{
    m_refusing = true;
    m_failed = true;
    m_outputFailed = outputFailed;
    m_error = reason;
    QMetaObject::invokeMethod(
        this, [this, ticket = m_ticket] { finishRefusal(ticket); }, Qt::QueuedConnection);
}

void THTTP::finishRefusal(quint64 ticket)
{
    // A later request or a cancel has taken over.
    if (ticket != m_ticket || !m_refusing)
        return;
    m_refusing = false;
    m_begun = true;
    emitState(DocOutput::Begin);
    emitState(DocOutput::End);
}

bool THTTP::replyIsDocument() const
{
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 200 && status < 300;
}

void THTTP::onMetaData()
{
    if (m_begun || m_reply == nullptr)
        return;
    // Headers of a redirect are not the document yet.
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400 && m_reply->hasRawHeader("Location"))
        return;
    m_begun = true;
    m_status = status;
    m_retryAfter = m_reply->rawHeader("Retry-After");
    m_remoteHost = m_reply->url().host();
    m_contentType = m_reply->header(QNetworkRequest::ContentTypeHeader).toString();
    if (m_reply->url() != QUrl(m_url))
        m_documentURL = m_reply->url().toString(QUrl::FullyEncoded);
    if (!replyIsDocument() && !m_failed) {
        m_failed = true;
        m_error = QStringLiteral("HTTP ") + QString::number(status);
    }
    emitState(DocOutput::Begin);
    const QVariant length =
        m_reply ? m_reply->header(QNetworkRequest::ContentLengthHeader) : QVariant();
    if (!m_failed && length.isValid() && length.toLongLong() > m_maxBytes) {
        m_failed = true;
        m_error =
            QStringLiteral("larger than ") + QString::number(m_maxBytes) + QStringLiteral(" bytes");
        m_reply->abort();
    }
}

void THTTP::onReadyRead()
{
    if (m_reply == nullptr)
        return;
    if (!m_begun)
        onMetaData();
    if (m_reply == nullptr)
        return;
    if (m_output != nullptr && !m_failed) {
        readIntoOutput();
        return;
    }
    const QByteArray chunk = m_reply->readAll();
    if (m_failed || chunk.isEmpty() || !withinCap(chunk.size()))
        return;
    m_bytes += chunk.size();
    emitState(DocOutput::Data, chunk);
}

bool THTTP::withinCap(qint64 more)
{
    if (m_bytes + more <= m_maxBytes)
        return true;
    m_failed = true;
    m_error =
        QStringLiteral("larger than ") + QString::number(m_maxBytes) + QStringLiteral(" bytes");
    m_reply->abort();
    return false;
}

// A document written to a file passes through one buffer kept for the
// control's life: a fresh block for every chunk cost an allocation and, as
// the allocator hands back memory just returned to the system, page faults.
// A data event goes out for each piece read, its bytes lent from the buffer.
void THTTP::readIntoOutput()
{
    constexpr qint64 BufferSize = 64 * 1024;
    if (m_buffer.size() < BufferSize)
        m_buffer.resize(BufferSize);
    // A handler of the event may cancel this transfer or start another.
    const quint64 ticket = m_ticket;
    while (m_reply != nullptr && m_output != nullptr && ticket == m_ticket) {
        const qint64 n = m_reply->read(m_buffer.data(), BufferSize);
        if (n <= 0)
            break;
        if (!withinCap(n))
            return;
        if (!m_output->write(m_buffer.constData(), n)) {
            m_failed = true;
            m_outputFailed = true;
            m_error = m_output->fileName() + QStringLiteral(": ") + m_output->errorString();
            m_reply->abort();
            return;
        }
        m_bytes += n;
        emitState(DocOutput::Data, QByteArray(), QByteArrayView(m_buffer.constData(), n));
    }
}

void THTTP::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (reply == nullptr)
        return;
    if (m_begun && !m_failed && reply->bytesAvailable() > 0)
        onReadyRead();
    if (!m_failed && reply->error() != QNetworkReply::NoError) {
        m_failed = true;
        m_error = reply->errorString();
    }
    if (!m_failed && !replyIsDocument()) {
        m_failed = true;
        m_error =
            QStringLiteral("HTTP ") +
            QString::number(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
    }
    if (m_output != nullptr) {
        // The file appears under its name only whole; a failed transfer's is
        // removed when the writer goes. An empty answer is no document, and
        // must not replace a file already there with an empty one.
        if (!m_failed && m_bytes > 0 && !m_output->commit()) {
            m_failed = true;
            m_outputFailed = true;
            m_error = m_output->fileName() + QStringLiteral(": ") + m_output->errorString();
        }
        m_output.reset();
    }
    if (m_failed && m_error.isEmpty())
        m_error = QStringLiteral("transfer failed");
    if (!m_begun) {
        m_begun = true;
        emitState(DocOutput::Begin);
    }
    m_reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();
    emitState(DocOutput::End);
}

void THTTP::emitState(int state, const QByteArray &chunk, QByteArrayView view)
{
    DocOutput doc;
    doc.DocState = state;
    doc.ByteCount = m_bytes;
    doc.m_chunk = chunk;
    doc.m_view = view;
    if (state == DocOutput::End && m_failed) {
        doc.m_error = m_error;
        doc.m_outputFailed = m_outputFailed;
    }
    emit OnDocOutput(this, doc);
}

void THTTP::dropReply()
{
    m_refusing = false;
    if (m_reply != nullptr) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_output.reset(); // removes what was written
}

void THTTP::CancelTransfer()
{
    dropReply();
}
