// Time from process start to the main window shown, and resident memory at
// that moment, for the program and for a bare Qt window (the reference).
//
// The figures that count are taken on an X server (the one in DISPLAY, or an
// Xvfb the benchmark starts), where a window is really shown. The offscreen
// platform is measured too: it has no window system at all, so the bare
// window costs next to nothing there and the ratio mostly shows the cost of
// fonts and widgets.
#include "benchreport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

struct Sample
{
    double ms = 0;
    double rssKb = 0;
};

struct Platform
{
    QString name;    // "xcb" or "offscreen"
    QString display; // for xcb
};

bool runProbe(const QString &program, const QString &configDir, const Platform &platform,
              Sample *out)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform.name);
    if (!platform.display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), platform.display);
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(program, {});
    while (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0) {
        process.waitForReadyRead(5);
        if (process.canReadLine()) {
            const QByteArray line = process.readLine().trimmed();
            if (line.startsWith("READY ")) {
                out->ms = double(clock.nsecsElapsed()) / 1e6;
                out->rssKb = line.mid(6).toDouble();
                process.waitForFinished(10000);
                return true;
            }
        }
        if (clock.elapsed() > 60000)
            break;
    }
    process.kill();
    process.waitForFinished();
    std::fprintf(stderr, "probe %s failed: %s\n", qPrintable(program),
                 process.readAllStandardError().constData());
    return false;
}

// An X display to show windows on: DISPLAY, or a private Xvfb.
QString startDisplay(QProcess *xvfb)
{
    const QString existing = qEnvironmentVariable("DISPLAY");
    if (!existing.isEmpty())
        return existing;
    const QString server = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (server.isEmpty())
        return QString();
    for (int n = 91; n < 99; ++n) {
        if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            continue;
        xvfb->start(server, {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"),
                             QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                             QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        for (int i = 0; i < 100; ++i) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                return QStringLiteral(":%1").arg(n);
            if (xvfb->state() == QProcess::NotRunning)
                break;
            QThread::msleep(50);
        }
        xvfb->kill();
        xvfb->waitForFinished();
    }
    return QString();
}

// `informational`: the figures are printed without a goal, since others
// measured in the same run are the ones the goals apply to.
bool measure(const QString &dir, const Platform &platform, const char *suffix, bool informational)
{
    const QString appProbe = dir + QStringLiteral("/startup_probe_app");
    const QString bareProbe = dir + QStringLiteral("/startup_probe_bare");
    QTemporaryDir config;
    const int runs = 9;

    // Warm the file cache for both before measuring.
    Sample warm;
    if (!runProbe(appProbe, config.path(), platform, &warm) ||
        !runProbe(bareProbe, config.path(), platform, &warm))
        return false;

    std::vector<double> appMs, appRss, bareMs, bareRss;
    for (int i = 0; i < runs; ++i) {
        Sample a, b;
        if (!runProbe(appProbe, config.path(), platform, &a) ||
            !runProbe(bareProbe, config.path(), platform, &b))
            return false;
        appMs.push_back(a.ms);
        appRss.push_back(a.rssKb);
        bareMs.push_back(b.ms);
        bareRss.push_back(b.rssKb);
    }
    const double tApp = median(appMs), tBare = median(bareMs);
    const double mApp = median(appRss) / 1024.0, mBare = median(bareRss) / 1024.0;
    const std::string timeName = std::string("startup_time") + suffix;
    const std::string rssName = std::string("startup_rss") + suffix;
    printBench(timeName.c_str(), tApp, "ms", tBare, informational ? "info" : "<=3.0");
    printBench(rssName.c_str(), mApp, "MB", mBare, informational ? "info" : "<=2.5");
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath();
    QProcess xvfb;
    const QString display = startDisplay(&xvfb);
    bool ok = true;
    if (display.isEmpty()) {
        std::printf("# no X server: the start-up is measured on the offscreen platform only\n");
        ok = measure(dir, {QStringLiteral("offscreen"), QString()}, "", false);
    } else {
        ok = measure(dir, {QStringLiteral("xcb"), display}, "", false) &&
             measure(dir, {QStringLiteral("offscreen"), QString()}, "_offscreen", true);
    }
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished(3000);
    }
    return ok ? 0 : 1;
}
