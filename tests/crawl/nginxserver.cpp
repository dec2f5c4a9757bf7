#include "nginxserver.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}
} // namespace

NginxServer::NginxServer(const QString &root, const QMap<QString, QString> &redirects,
                         const QString &moreLocations, const QString &httpLines)
{
    m_port = freePort();
    const QString dir = m_dir.path();
    const QString port = QString::number(m_port);
    const QString conf = dir + QStringLiteral("/nginx.conf");
    QFile file(conf);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write ") + conf;
        return;
    }
    QString locations = moreLocations;
    for (auto it = redirects.cbegin(); it != redirects.cend(); ++it)
        locations +=
            QStringLiteral("    location = %1 { return 301 %2; }\n").arg(it.key(), it.value());
    const QString text =
        QStringLiteral(
            "daemon off;\nmaster_process off;\nworker_processes 1;\npid %1/nginx.pid;\n"
            "error_log %1/error.log;\nevents { worker_connections 256; }\n"
            "http {\n  include /etc/nginx/mime.types;\n  access_log off;\n"
            "  client_body_temp_path %1/body; proxy_temp_path %1/proxy;\n"
            "  fastcgi_temp_path %1/fastcgi; uwsgi_temp_path %1/uwsgi; scgi_temp_path %1/scgi;\n%5"
            "  server {\n    listen 127.0.0.1:%2;\n    listen 127.0.0.2:%2;\n    root %3;\n%4  "
            "}\n}\n")
            .arg(dir, port, root, locations, httpLines);
    file.write(text.toUtf8());
    file.close();
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/sbin/nginx"),
                    {QStringLiteral("-p"), dir, QStringLiteral("-c"), conf});
    if (!m_process.waitForStarted(10000)) {
        m_error = QStringLiteral("nginx did not start: ") + m_process.errorString();
        return;
    }
    // Ready once it accepts a connection.
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (socket.waitForConnected(200))
            return;
        if (m_process.state() != QProcess::Running) {
            QFile log(dir + QStringLiteral("/error.log"));
            log.open(QIODevice::ReadOnly);
            m_error = QStringLiteral("nginx ended: ") + QString::fromLocal8Bit(log.readAll());
            return;
        }
        QThread::msleep(20);
    }
    m_error = QStringLiteral("nginx did not answer on port ") + port;
}

NginxServer::~NginxServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}
