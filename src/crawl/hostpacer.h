#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QHash>

// When the next request to each host may start: at least the interval (or
// the host's robots.txt Crawl-delay, whichever is longer) after the last
// start, and not before the wait a refusal ("429", "503") asked for. Times
// are milliseconds of one monotonic clock, given by the caller.
//
// A host that refused also gets a spacing of its own, from 250 ms and
// doubled by each refusal that comes after a wait has ended: otherwise every
// slot would ask again at the moment the wait ends, and all but one be
// refused again.
class HostPacer
{
public:
    // The longest wait a refusal imposes, with or without Retry-After.
    static constexpr int MaxWaitSeconds = 120;
    static constexpr int FirstSpacingMs = 250;

    void setInterval(int ms) { m_intervalMs = qMax(0, ms); }
    int interval() const { return m_intervalMs; }
    void setFloor(QByteArrayView host, int ms);
    void clear() { m_hosts.clear(); }

    // The earliest start of a request to `host`.
    qint64 readyAt(QByteArrayView host) const;
    void started(QByteArrayView host, qint64 now);
    // A refusal: the wait in seconds, which every request to the host now
    // keeps. `retryAfter` is the header's value (empty when none); without a
    // usable one the waits double from 2 seconds, each refusal in a row.
    int refused(QByteArrayView host, qint64 now, QByteArrayView retryAfter,
                const QDateTime &clock = QDateTime::currentDateTimeUtc());
    // An answer that was no refusal: the next refusal waits 2 seconds again.
    void answered(QByteArrayView host);

    // Retry-After as seconds from `clock` (delay-seconds or an HTTP date);
    // -1 when it is neither.
    static int retryAfterSeconds(QByteArrayView value, const QDateTime &clock);

private:
    struct Host
    {
        qint64 lastStart = -1;
        qint64 blockedUntil = 0;
        int floorMs = 0;
        int spacingMs = 0; // learnt from refusals
        int refusalsInRow = 0;
    };
    QHash<QByteArray, Host> m_hosts;
    int m_intervalMs = 0;
};
