// One crawl through the whole program, for bench_crawl: creates the windows
// (settings from XDG_CONFIG_HOME), presses "探索" and prints, at "探索終了",
// the crawl's wall time, the process's CPU time since it started, the
// longest stretch the UI thread was busy in one go, and the jobs done.
#include "processcpu.h"

#include "crawl/crawlengine.h"
#include "crawl/linkextractor.h"
#include "crawl/linklist.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

namespace {
int jobsDone(const LinkList &list)
{
    int n = 0;
    for (qsizetype row = 0; row < list.size(); ++row)
        n += list.status(row) != LinkList::New;
    return n;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    auto windows = createWindows();
    TFormMain *main = windows->main();
    // With --hidden the window stays hidden and nothing is painted.
    if (app.arguments().contains(QStringLiteral("--hidden")))
        main->hide();
    else
        main->show();

    // With --stalls, busy stretches of the UI thread: a 5 ms timer on it
    // fires late by as long as the thread was busy in one go. Lateness alone
    // would also count the time the thread waited for a core on a loaded
    // machine, so a stretch is the lesser of the lateness and the CPU time
    // the thread used meanwhile. The timer's wake-ups cost CPU of their own,
    // so the CPU figures come from runs without it.
    constexpr qint64 BeatNs = 5'000'000;
    QElapsedTimer beat;
    qint64 beatCpuNs = 0;
    qint64 longestNs = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, &app, [&] {
        const qint64 cpuNs = threadCpuNs();
        if (beat.isValid())
            longestNs = qMax(longestNs, qMin(beat.nsecsElapsed() - BeatNs, cpuNs - beatCpuNs));
        beatCpuNs = cpuNs;
        beat.start();
    });
    if (app.arguments().contains(QStringLiteral("--stalls")))
        heartbeat.start(int(BeatNs / 1'000'000));

    double idleMs = 0;
    double startCpu = 0;
    QElapsedTimer crawlClock;
    // The reference: the same window idling for a second.
    QTimer::singleShot(200, &app, [&] { longestNs = 0; });
    QTimer::singleShot(1200, &app, [&] {
        idleMs = double(longestNs) / 1e6;
        longestNs = 0;
        startCpu = processCpuSeconds();
        crawlClock.start();
        main->findChild<QToolButton *>(QStringLiteral("BtTansaku"))->click();
    });
    QObject::connect(main->crawl(), &CrawlEngine::runFinished, &app, [&] {
        const double wallMs = double(crawlClock.nsecsElapsed()) / 1e6;
        const double cpu = processCpuSeconds();
        const int jobs =
            jobsDone(*main->links()->urlList()) + jobsDone(*main->links()->imageList());
        std::printf("RESULT wall_ms=%.1f cpu_s=%.3f stall_ms=%.2f idle_stall_ms=%.2f jobs=%d "
                    "start_cpu_s=%.3f network_cpu_s=%.3f\n",
                    wallMs, cpu, double(longestNs) / 1e6, idleMs, jobs, startCpu,
                    networkThreadCpuSeconds());
        std::fflush(stdout);
        app.quit();
    });
    return app.exec();
}
