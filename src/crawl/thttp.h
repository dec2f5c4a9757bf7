#pragma once

#include "common/searchconditions.h"

#include <QByteArray>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QSaveFile;

// What one document event carries: the state of the transfer, the bytes
// received so far and, for state 3, the chunk that has just arrived.
class DocOutput
{
public:
    enum State { Begin = 1, Data = 3, End = 5 };

    int DocState = 0;
    qint64 ByteCount = 0;
    QByteArray ReadChunk() const { return m_chunk; }

private:
    friend class THTTP;
    QByteArray m_chunk;
};

// The asynchronous HTTP client control: one GET at a time, progress reported
// through OnDocOutput on the thread that owns the control. Redirects are
// followed inside the control (http and https only, at most ten).
//
// A transfer that fails (no connection, an HTTP error status, a body larger
// than the cap) ends without data, so that callers see "no data" rather than
// an error page passed off as the document.
class THTTP : public QObject
{
    Q_OBJECT
public:
    enum TransferStates { Idle = 0, Requesting = 1, Receiving = 2 };

    explicit THTTP(QObject *parent = nullptr);
    ~THTTP() override;

    void GetDoc(const QString &url);
    void CancelTransfer();
    bool IsBusy() const { return m_reply != nullptr; }
    int TransferState() const;
    QString RemoteHost() const { return m_remoteHost; }
    QString URL() const { return m_url; }

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
    void onFinished();
    void emitState(int state, const QByteArray &chunk = QByteArray());
    void dropReply();
    bool replyIsDocument() const;

    QNetworkAccessManager *m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    QSaveFile *m_output = nullptr;
    QString m_pendingOutput;
    QNetworkProxy m_proxy{QNetworkProxy::NoProxy};
    QString m_remoteHost;
    QString m_url;
    qint64 m_bytes = 0;
    qint64 m_maxBytes = 256 * 1024 * 1024;
    int m_timeoutMs = 120000;
    bool m_begun = false;
    bool m_failed = false;
};
