#include "downloadfile.h"

#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {
// A name no other download of this or another process uses: the target's
// name, hidden, with the process and a running number.
QString partName(const QString &target)
{
    static std::atomic<unsigned> counter{0};
    const QFileInfo info(target);
    return info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".part") +
           QString::number(::getpid()) + QLatin1Char('-') + QString::number(counter++);
}
} // namespace

DownloadFile::DownloadFile(QString target) : m_target(std::move(target)), m_part(partName(m_target))
{
}

DownloadFile::~DownloadFile()
{
    cancel();
}

bool DownloadFile::open()
{
    // NewOnly: never write through a file or link someone else put there.
    if (!m_part.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(m_part.errorString());
    return true;
}

bool DownloadFile::write(const char *data, qint64 size)
{
    if (!m_part.isOpen())
        return fail(QStringLiteral("file not open"));
    if (m_part.write(data, size) != size)
        return fail(m_part.errorString());
    return true;
}

bool DownloadFile::commit()
{
    if (!m_part.isOpen())
        return fail(QStringLiteral("file not open"));
    // close() flushes the buffer; a failure there (disk full) shows in error().
    m_part.close();
    if (m_part.error() != QFileDevice::NoError)
        return fail(m_part.errorString());
    if (std::rename(QFile::encodeName(m_part.fileName()).constData(),
                    QFile::encodeName(m_target).constData()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    return true;
}

void DownloadFile::cancel()
{
    if (m_part.isOpen())
        m_part.close();
    if (m_part.exists())
        m_part.remove();
}

bool DownloadFile::fail(const QString &error)
{
    m_error = error;
    cancel();
    return false;
}
