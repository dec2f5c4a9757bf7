#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// nginx serving a directory on 127.0.0.1 and 127.0.0.2 at a free port, as a
// child process in the foreground with a configuration written for it;
// stopped when this object goes. Each of `redirects` (path -> target) is
// answered with a 301 to its target; `locations` are more lines of the
// server block, `httpLines` more lines at http level (limit_req_zone,
// log_format).
class NginxServer
{
public:
    explicit NginxServer(const QString &root, const QMap<QString, QString> &redirects = {},
                         const QString &moreLocations = {}, const QString &httpLines = {});
    ~NginxServer();
    // Empty when it serves; otherwise why not.
    QString error() const { return m_error; }
    quint16 port() const { return m_port; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
