// CPU clocks of the probe process and its threads, read the same way by every
// crawl benchmark.
#pragma once

#include <QDir>
#include <QFile>

#include <sys/resource.h>
#include <unistd.h>

#include <ctime>

// CPU nanoseconds of the calling thread.
inline qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// User and system CPU seconds of `who` (RUSAGE_SELF, RUSAGE_CHILDREN).
inline double usageCpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline double processCpuSeconds()
{
    return usageCpuSeconds(RUSAGE_SELF);
}

// CPU seconds of the network access manager's own thread, where Qt reads
// and parses the HTTP answers.
inline double networkThreadCpuSeconds()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task) + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        if (!line.contains("(QNetworkAccessM"))
            continue;
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12) // utime and stime are the 14th and 15th fields
            return double(fields[11].toLongLong() + fields[12].toLongLong()) / sysconf(_SC_CLK_TCK);
    }
    return 0;
}
