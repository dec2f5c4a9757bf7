// Time from the first Web command to the end of retrieval of a local page,
// against a bare QWebEngineView loading the same page. Each sample is a fresh
// process, so both include starting the browser engine.
#include "benchreport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool runProbe(const QString &program, const QString &configDir, double *ms)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    env.insert(QStringLiteral("XDG_DATA_HOME"), configDir); // the browser's profile
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!env.contains(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS")))
        env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
                   QStringLiteral("--no-sandbox --disable-gpu"));
    process.setProcessEnvironment(env);
    process.start(program, {});
    if (!process.waitForFinished(90000)) {
        process.kill();
        process.waitForFinished();
    }
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        if (line.startsWith("READY ")) {
            *ms = line.mid(6).toDouble();
            return true;
        }
    }
    std::fprintf(stderr, "probe %s failed: %s\n", qPrintable(program),
                 process.readAllStandardError().right(2000).constData());
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The probes sit beside the program, where its browser module is found.
    const QString dir = QStringLiteral(VELLISK_PROBE_DIR);
    const QString appProbe = dir + QStringLiteral("/web_probe_app");
    const QString bareProbe = dir + QStringLiteral("/web_probe_bare");
    QTemporaryDir config;
    const int runs = 5;

    double warm = 0;
    if (!runProbe(appProbe, config.path(), &warm) || !runProbe(bareProbe, config.path(), &warm))
        return 1;
    std::vector<double> appMs, bareMs;
    for (int i = 0; i < runs; ++i) {
        double a = 0, b = 0;
        if (!runProbe(appProbe, config.path(), &a) || !runProbe(bareProbe, config.path(), &b))
            return 1;
        appMs.push_back(a);
        bareMs.push_back(b);
    }
    const double tApp = median(appMs), tBare = median(bareMs);
    std::printf("BENCH name=web_first_show_ms value=%.1f unit=ms ref=%.1f ratio=%.2f goal=<=1.5\n",
                tApp, tBare, tApp / tBare);
    return 0;
}
