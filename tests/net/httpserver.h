#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>

#include <functional>
#include <memory>

class QSslConfiguration;
class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for tests. Each route answers with a
// status, headers and a body sent in the given chunks, a pause between them;
// a route marked silent accepts the connection and never answers. Given a TLS
// configuration it serves https instead.
class TestHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Response
    {
        int status = 200;
        QList<QByteArray> chunks;
        QByteArray contentType = "text/html";
        QByteArray location;
        int pauseMs = 0;
        bool silent = false;
        bool chunkedEncoding = false;
        // Content-Length to announce; -1 announces the real length.
        qint64 declaredLength = -1;
        // The last chunk is sent again and again until the client goes.
        bool endless = false;
    };

    explicit TestHttpServer(QObject *parent = nullptr);
    explicit TestHttpServer(const QSslConfiguration &tls, QObject *parent = nullptr);
    ~TestHttpServer() override;
    quint16 port() const;
    // Moves to `port`; false (still on the old one) when it is taken.
    bool listenOn(quint16 port);
    QString url(const QString &path) const;
    void route(const QByteArray &path, const Response &response) { m_routes[path] = response; }
    // Answers every request, whatever its target (used as a proxy).
    void setFallback(const Response &response)
    {
        m_fallback = response;
        m_hasFallback = true;
    }
    QList<QByteArray> requestLines() const { return m_requestLines; }
    // Connections the client has closed so far.
    int closedConnections() const { return m_closed; }
    // The most requests that were being answered at one time.
    int maxInFlight() const { return m_maxInFlight; }

private:
    void onConnection();
    void onData(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Response &response);

    void listen();

    std::unique_ptr<QTcpServer> m_server;
    bool m_tls = false;
    int m_inFlight = 0;
    int m_maxInFlight = 0;
    QMap<QByteArray, Response> m_routes;
    Response m_fallback;
    bool m_hasFallback = false;
    QList<QByteArray> m_requestLines;
    QMap<QTcpSocket *, QByteArray> m_buffers;
    int m_closed = 0;
};
