// Time from process start to the main window shown, and resident memory at
// that moment, for the program and for a bare Qt window (the reference).
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

struct Sample
{
    double ms = 0;
    double rssKb = 0;
};

bool runProbe(const QString &program, const QString &configDir, Sample *out)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
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

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath();
    const QString appProbe = dir + QStringLiteral("/startup_probe_app");
    const QString bareProbe = dir + QStringLiteral("/startup_probe_bare");
    QTemporaryDir config;
    const int runs = 7;

    // Warm the file cache for both before measuring.
    Sample warm;
    if (!runProbe(appProbe, config.path(), &warm) || !runProbe(bareProbe, config.path(), &warm))
        return 1;

    std::vector<double> appMs, appRss, bareMs, bareRss;
    for (int i = 0; i < runs; ++i) {
        Sample a, b;
        if (!runProbe(appProbe, config.path(), &a) || !runProbe(bareProbe, config.path(), &b))
            return 1;
        appMs.push_back(a.ms);
        appRss.push_back(a.rssKb);
        bareMs.push_back(b.ms);
        bareRss.push_back(b.rssKb);
    }
    const double tApp = median(appMs), tBare = median(bareMs);
    const double mApp = median(appRss) / 1024.0, mBare = median(bareRss) / 1024.0;
    std::printf("BENCH name=startup_time value=%.1f unit=ms ref=%.1f ratio=%.2f goal=<=3.0\n", tApp,
                tBare, tApp / tBare);
    std::printf("BENCH name=startup_rss value=%.1f unit=MB ref=%.1f ratio=%.2f goal=<=2.5\n", mApp,
                mBare, mApp / mBare);
    return 0;
}
