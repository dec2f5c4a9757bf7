#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for tests. Each route answers with a
// status, headers and a body sent in the given chunks, a pause between them;
// a route marked silent accepts the connection and never answers.
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
    };

    explicit TestHttpServer(QObject *parent = nullptr);
    quint16 port() const { return m_server.serverPort(); }
    QString url(const QString &path) const;
    void route(const QByteArray &path, const Response &response) { m_routes[path] = response; }
    // Answers every request, whatever its target (used as a proxy).
    void setFallback(const Response &response) { m_fallback = response; m_hasFallback = true; }
    QList<QByteArray> requestLines() const { return m_requestLines; }
    // Connections the client has closed so far.
    int closedConnections() const { return m_closed; }

private:
    void onConnection();
    void onData(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Response &response);

    QTcpServer m_server;
    QMap<QByteArray, Response> m_routes;
    Response m_fallback;
    bool m_hasFallback = false;
    QList<QByteArray> m_requestLines;
    QMap<QTcpSocket *, QByteArray> m_buffers;
    int m_closed = 0;
};
