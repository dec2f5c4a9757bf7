#pragma once

#include "common/searchconditions.h"

#include <QByteArray>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QNetworkRequest;
class DownloadFile;

// Gives `manager` the proxy `proxy`; NoProxy means direct connections, made
// the cheaper way (see thttp.cpp).
void useProxy(QNetworkAccessManager *manager, const QNetworkProxy &proxy);

// What one document event carries: the state of the transfer, the bytes
// received so far and, for state 3, the chunk that has just arrived.
class DocOutput
{
public:
    enum State { Begin = 1, Data = 3, End = 5 };

    int DocState = 0;
    qint64 ByteCount = 0;
    // The bytes that have just arrived. For a document written to a file they
    // stand in the control's buffer and are copied only when asked for; the
    // event carries them until its handlers return.
    QByteArray ReadChunk() const { return m_chunk.isNull() ? m_view.toByteArray() : m_chunk; }
    // At the end: why the transfer failed, empty when the document arrived
    // whole. A failure after data had begun means that data is not the
    // document.
    QString ErrorText() const { return m_error; }
    bool Failed() const { return !m_error.isEmpty(); }
    // The output file could not be written (the reason names its path).
    bool OutputFailed() const { return m_outputFailed; }

private:
    friend class THTTP;
    QByteArray m_chunk;
    QByteArrayView m_view;
    QString m_error;
    bool m_outputFailed = false;
};

// The asynchronous HTTP client control: one GET at a time, progress reported
// through OnDocOutput on the thread that owns the control. Only http and https
// documents are fetched; redirects are followed inside the control (http and
// https only, at most ten).
//
// A transfer that fails ends with its reason in the end event: before any
// data (no connection, an HTTP error status, another scheme) it ends without
// data, so that callers see "no data" rather than an error page passed off as
// the document; after data had begun (connection dropped, the byte cap
// passed, the output file not written) it ends as a failure, and no output
// file is left.
class THTTP : public QObject
{
    Q_OBJECT
public:
    enum TransferStates { Idle = 0, Requesting = 1, Receiving = 2 };

    // Controls given one manager share its connections and its proxy; without
    // one the control makes its own on first use.
    explicit THTTP(QObject *parent = nullptr, QNetworkAccessManager *manager = nullptr);
    ~THTTP() override;

    void GetDoc(const QString &url);
    void CancelTransfer();
    bool IsBusy() const { return m_reply != nullptr || m_refusing; }
    int TransferState() const;
    QString RemoteHost() const { return m_remoteHost; }
    QString URL() const { return m_url; }
    // Where the document came from in the end: URL() as given, or fully
    // encoded, the address the last redirect led to. Links on the document
    // are relative to this address.
    QString DocumentURL() const { return m_documentURL; }
    // The document's Content-Type as the server gave it; empty when none.
    QString ContentType() const { return m_contentType; }
    // The answer's HTTP status (0 before one came) and its Retry-After.
    int StatusCode() const { return m_status; }
    QByteArray RetryAfter() const { return m_retryAfter; }

    // Headers of the next request only. A Referer never goes from an https
    // page to an http address.
    void SetReferer(const QString &pageURL) { m_pendingReferer = pageURL; }
    void SetAccept(const QByteArray &accept) { m_pendingAccept = accept; }

    // The next document is written into `path` instead of being only kept in
    // memory. The file appears only when the whole document has arrived.
    void SetOutputFile(const QString &path, bool append = false);
    void SetProxy(bool use, const QString &host, int port);
    // The settings dialog's proxy: switched off, host and port stay as they are.
    void applyProxy(const ProxyChoice &proxy);
    bool proxyInUse() const { return m_proxy.type() != QNetworkProxy::NoProxy; }
    QNetworkProxy proxy() const { return m_proxy; }

    // Largest document accepted, and the longest a transfer may stall.
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }
    void setTransferTimeout(int ms) { m_timeoutMs = ms; }

signals:
    void OnDocOutput(THTTP *sender, const DocOutput &doc);

private:
    void onMetaData();
    void onReadyRead();
    void readIntoOutput();
    // False, the transfer aborted, when `more` bytes would pass the cap.
    bool withinCap(qint64 more);
    void onFinished();
    void emitState(int state, const QByteArray &chunk = QByteArray(), QByteArrayView view = {});
    void dropReply();
    bool replyIsDocument() const;
    static void addCourtesyHeaders(QNetworkRequest &request, const QString &referer,
                                   const QByteArray &accept);
    static QByteArray acceptLanguage();

    void refuse(const QString &reason, bool outputFailed);
    void finishRefusal(quint64 ticket);
    QNetworkAccessManager *manager();

    QPointer<QNetworkAccessManager> m_manager;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<DownloadFile> m_output;
    QString m_pendingOutput;
    QNetworkProxy m_proxy{QNetworkProxy::NoProxy};
    QString m_remoteHost;
    QString m_url;
    QString m_documentURL;
    QString m_contentType;
    int m_status = 0;
    QByteArray m_retryAfter;
    QString m_pendingReferer;
    QByteArray m_pendingAccept;
    qint64 m_bytes = 0;
    qint64 m_maxBytes = 256 * 1024 * 1024;
    QByteArray m_buffer;
    int m_timeoutMs = 120000;
    bool m_begun = false;
    bool m_failed = false;
    bool m_outputFailed = false;
    QString m_error;
    // A request refused before it went out ends on the next event-loop turn,
    // as any other transfer ends after GetDoc has returned.
    bool m_refusing = false;
    quint64 m_ticket = 0;
};
