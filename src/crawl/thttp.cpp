#include "thttp.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

namespace {
const QByteArray UserAgent = QByteArrayLiteral("Vellisk/1.0 (image gatherer)");
constexpr int MaxRedirects = 10;
} // namespace

THTTP::THTTP(QObject *parent) : QObject(parent) {}

THTTP::~THTTP()
{
    dropReply();
}

int THTTP::TransferState() const
{
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
    m_proxy = QNetworkProxy(use ? QNetworkProxy::HttpProxy : QNetworkProxy::NoProxy, host,
                            quint16(port));
    if (m_manager != nullptr)
        m_manager->setProxy(m_proxy);
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
    if (m_manager == nullptr) {
        // Created on first use: seven idle controls cost nothing at start.
        m_manager = new QNetworkAccessManager(this);
        m_manager->setProxy(m_proxy);
    }
    m_url = url;
    m_bytes = 0;
    m_begun = false;
    m_failed = false;
    const QUrl target = QUrl::fromUserInput(url);
    m_remoteHost = target.host();

    if (!m_pendingOutput.isEmpty()) {
        m_output = new QSaveFile(m_pendingOutput, this);
        m_pendingOutput.clear();
        if (!m_output->open(QIODevice::WriteOnly))
            m_failed = true;
    }

    QNetworkRequest request(target);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setTransferTimeout(m_timeoutMs);
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &THTTP::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &THTTP::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &THTTP::onFinished);
    connect(m_reply, &QNetworkReply::redirected, this, [this](const QUrl &to) {
        if (to.scheme() != QStringLiteral("http") && to.scheme() != QStringLiteral("https")) {
            m_failed = true;
            m_reply->abort();
        }
    });
}

bool THTTP::replyIsDocument() const
{
    if (m_reply->url().scheme() != QStringLiteral("http")
        && m_reply->url().scheme() != QStringLiteral("https"))
        return !m_failed;
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
    m_remoteHost = m_reply->url().host();
    if (!replyIsDocument())
        m_failed = true;
    emitState(DocOutput::Begin);
}

void THTTP::onReadyRead()
{
    if (m_reply == nullptr)
        return;
    if (!m_begun)
        onMetaData();
    const QByteArray chunk = m_reply->readAll();
    if (m_failed || chunk.isEmpty())
        return;
    if (m_bytes + chunk.size() > m_maxBytes) {
        m_failed = true;
        m_reply->abort();
        return;
    }
    if (m_output != nullptr && m_output->write(chunk) != chunk.size())
        m_failed = true;
    m_bytes += chunk.size();
    emitState(DocOutput::Data, chunk);
}

void THTTP::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (reply == nullptr)
        return;
    if (m_begun && !m_failed && reply->bytesAvailable() > 0)
        onReadyRead();
    const bool ok = !m_failed && reply->error() == QNetworkReply::NoError && replyIsDocument();
    if (m_output != nullptr) {
        if (ok)
            m_output->commit();
        else
            m_output->cancelWriting();
        delete m_output;
        m_output = nullptr;
    }
    if (!m_begun) {
        m_begun = true;
        emitState(DocOutput::Begin);
    }
    m_reply = nullptr;
    reply->deleteLater();
    emitState(DocOutput::End);
}

void THTTP::emitState(int state, const QByteArray &chunk)
{
    DocOutput doc;
    doc.DocState = state;
    doc.ByteCount = m_bytes;
    doc.m_chunk = chunk;
    emit OnDocOutput(this, doc);
}

void THTTP::dropReply()
{
    if (m_reply != nullptr) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    if (m_output != nullptr) {
        m_output->cancelWriting();
        delete m_output;
        m_output = nullptr;
    }
}

void THTTP::CancelTransfer()
{
    dropReply();
}
