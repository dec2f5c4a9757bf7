#include "hostpacer.h"

#include <QLocale>

void HostPacer::setFloor(QByteArrayView host, int ms)
{
    m_hosts[host.toByteArray()].floorMs = qMax(0, ms);
}

qint64 HostPacer::readyAt(QByteArrayView host) const
{
    const auto it = m_hosts.constFind(host.toByteArray());
    if (it == m_hosts.cend())
        return 0;
    const qint64 gap = qMax(qMax(m_intervalMs, it->floorMs), it->spacingMs);
    const qint64 paced = it->lastStart < 0 ? 0 : it->lastStart + gap;
    return qMax(paced, it->blockedUntil);
}

void HostPacer::started(QByteArrayView host, qint64 now)
{
    m_hosts[host.toByteArray()].lastStart = now;
}

int HostPacer::refused(QByteArrayView host, qint64 now, QByteArrayView retryAfter,
                       const QDateTime &clock)
{
    Host &h = m_hosts[host.toByteArray()];
    ++h.refusalsInRow;
    // Refusals of requests that were already under way when the host began
    // to wait say nothing new about its pace.
    if (now >= h.blockedUntil)
        h.spacingMs =
            h.spacingMs == 0 ? FirstSpacingMs : qMin(h.spacingMs * 2, MaxWaitSeconds * 1000);
    int seconds = retryAfterSeconds(retryAfter, clock);
    if (seconds < 0)
        seconds = h.refusalsInRow >= 7 ? MaxWaitSeconds : 1 << h.refusalsInRow;
    seconds = qMin(seconds, MaxWaitSeconds);
    h.blockedUntil = qMax(h.blockedUntil, now + qint64(seconds) * 1000);
    return seconds;
}

void HostPacer::answered(QByteArrayView host)
{
    const auto it = m_hosts.find(host.toByteArray());
    if (it != m_hosts.end())
        it->refusalsInRow = 0;
}

int HostPacer::retryAfterSeconds(QByteArrayView value, const QDateTime &clock)
{
    const QByteArray text = value.trimmed().toByteArray();
    if (text.isEmpty())
        return -1;
    bool ok = false;
    const qlonglong seconds = text.toLongLong(&ok);
    if (ok)
        return seconds < 0 ? -1 : int(qMin<qlonglong>(seconds, 1 << 30));
    // An HTTP date, "Sun, 06 Nov 1994 08:49:37 GMT" (the form servers send),
    // read without the system's locale.
    static const QLocale c = QLocale::c();
    QDateTime at =
        c.toDateTime(QString::fromLatin1(text), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    if (at.isValid())
        at.setTimeSpec(Qt::UTC); // the fields are GMT's, not local time
    else
        at = QDateTime::fromString(QString::fromLatin1(text), Qt::RFC2822Date);
    if (!at.isValid())
        return -1;
    return int(qBound(qint64(0), clock.secsTo(at), qint64(1) << 30));
}
