#include "httpserver.h"

#include <QPointer>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

TestHttpServer::TestHttpServer(QObject *parent)
    : QObject(parent), m_server(std::make_unique<QTcpServer>())
{
    listen();
}

TestHttpServer::TestHttpServer(const QSslConfiguration &tls, QObject *parent) : QObject(parent)
{
    auto server = std::make_unique<QSslServer>();
    server->setSslConfiguration(tls);
    m_server = std::move(server);
    m_tls = true;
    listen();
}

TestHttpServer::~TestHttpServer() = default;

void TestHttpServer::listen()
{
    m_server->listen(QHostAddress::LocalHost, 0);
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this,
            &TestHttpServer::onConnection);
}

bool TestHttpServer::listenOn(quint16 port)
{
    const quint16 old = m_server->serverPort();
    m_server->close();
    if (m_server->listen(QHostAddress::LocalHost, port))
        return true;
    m_server->listen(QHostAddress::LocalHost, old);
    return false;
}

quint16 TestHttpServer::port() const
{
    return m_server->serverPort();
}

QString TestHttpServer::url(const QString &path) const
{
    return QStringLiteral("%1://127.0.0.1:%2%3")
        .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(port())
        .arg(path);
}

void TestHttpServer::onConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            ++m_closed;
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void TestHttpServer::onData(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QByteArray requestLine = buffer.left(buffer.indexOf("\r\n"));
    buffer.remove(0, end + 4);
    m_requestLines.append(requestLine);
    const QList<QByteArray> parts = requestLine.split(' ');
    QByteArray target = parts.value(1);
    if (target.startsWith("http://")) // a proxy request names the whole address
        target = target.mid(target.indexOf('/', 7));
    if (m_routes.contains(target))
        answer(socket, m_routes.value(target));
    else if (m_hasFallback)
        answer(socket, m_fallback);
    else
        answer(socket, Response{404, {"not found"}});
}

void TestHttpServer::answer(QTcpSocket *socket, const Response &response)
{
    if (response.silent)
        return;
    m_maxInFlight = qMax(m_maxInFlight, ++m_inFlight);
    QByteArray total;
    for (const QByteArray &c : response.chunks)
        total += c;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " X\r\n";
    head += "Content-Type: " + response.contentType + "\r\n";
    if (!response.location.isEmpty())
        head += "Location: " + response.location + "\r\n";
    if (response.chunkedEncoding)
        head += "Transfer-Encoding: chunked\r\n";
    else
        head += "Content-Length: " +
                QByteArray::number(response.declaredLength >= 0 ? response.declaredLength
                                                                : total.size()) +
                "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    socket->flush();
    QPointer<QTcpSocket> guard(socket);
    auto chunks = std::make_shared<QList<QByteArray>>(response.chunks);
    auto sendNext = std::make_shared<std::function<void()>>();
    const bool chunked = response.chunkedEncoding;
    const bool endless = response.endless && !response.chunks.isEmpty();
    const QByteArray last = response.chunks.value(response.chunks.size() - 1);
    QPointer<TestHttpServer> self(this);
    auto done = [self] {
        if (self)
            --self->m_inFlight;
    };
    *sendNext = [guard, chunks, sendNext, chunked, endless, last, done,
                 pause = response.pauseMs]() mutable {
        if (!guard || guard->state() != QAbstractSocket::ConnectedState) {
            done();
            *sendNext = nullptr;
            return;
        }
        if (chunks->isEmpty() && endless)
            chunks->append(last);
        if (chunks->isEmpty()) {
            if (chunked)
                guard->write("0\r\n\r\n");
            guard->flush();
            done();
            guard->disconnectFromHost();
            *sendNext = nullptr;
            return;
        }
        const QByteArray c = chunks->takeFirst();
        if (chunked)
            guard->write(QByteArray::number(c.size(), 16) + "\r\n" + c + "\r\n");
        else
            guard->write(c);
        guard->flush();
        if (chunks->isEmpty() && !endless) {
            (*sendNext)(); // the answer is complete: end it now, not after a pause
            return;
        }
        QTimer::singleShot(pause, guard, [sendNext] {
            if (*sendNext)
                (*sendNext)();
        });
    };
    (*sendNext)();
}
