// Filling the multi-image grid with 60 JPEGs of 12 megapixels: time until
// every cell is shown and peak resident memory, against loading the same 60
// files full size with QImage (what a grid holding full pictures would do).
//
// The parent writes the pictures once, then runs each side in a child
// process of its own (three times, keeping the best time and the highest peak), so
// neither side's memory shows in the other's figure.

#include "components/extarr.h"
#include "disksearch/resultentry.h"
#include "disksearch/resultlistpane.h"
#include "picturefiles.h"
#include "processmemory.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"
#include "viewer/tformmulti.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

constexpr int PictureCount = 60;
constexpr int Width = 4000;
constexpr int Height = 3000;
constexpr int Distinct = 6;

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double peakResidentMb()
{
    const qint64 kb = ProcessMemory::peakResidentKb();
    return kb < 0 ? -1 : double(kb) / 1024.0;
}

QList<QByteArray> picturePaths(const QString &dir)
{
    QList<QByteArray> paths;
    for (int i = 0; i < PictureCount; ++i)
        paths.append(
            QFile::encodeName(dir + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QLatin1Char('0'))));
    return paths;
}

bool writePictures(const QString &dir)
{
    const QList<QByteArray> paths = picturePaths(dir);
    for (int d = 0; d < Distinct; ++d) {
        const QString first = QFile::decodeName(paths[d]);
        if (!PictureFiles::write(first, PictureFiles::photoLike(Width, Height, quint32(d))))
            return false;
        for (int i = d + Distinct; i < PictureCount; i += Distinct) {
            if (!QFile::copy(first, QFile::decodeName(paths[i])))
                return false;
        }
    }
    return true;
}

// Child: the program's own road, from the table command to the last cell shown.
int runGrid(int argc, char **argv, const QString &dir)
{
    QApplication app(argc, argv);
    auto windows = createWindows();
    ResultListPane *list = windows->main()->resultList();
    const QList<QByteArray> paths = picturePaths(dir);
    for (const QByteArray &path : paths)
        list->appendEntry(ResultEntry::format(0, 1, path));
    list->selectAll();
    QCoreApplication::processEvents();

    TFormMulti *multi = windows->multi();
    QEventLoop loop;
    bool done = false;
    bool shown = false;
    QObject::connect(multi, &TFormMulti::fillFinished, &loop, [&](bool ok) {
        done = true;
        shown = ok;
        loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    const double cpuStart = cpuMs();
    clock.start();
    windows->main()->findChild<QAction *>(QStringLiteral("T3"))->trigger();
    if (!done)
        loop.exec();
    if (!done || !shown) {
        std::fprintf(stderr, "the grid fill failed\n");
        return 1;
    }
    QCoreApplication::processEvents(); // the paint of the shown cells
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    const double cpu = cpuMs() - cpuStart;
    int loaded = 0;
    for (int i = 0; i < TFormMulti::CellCount; ++i)
        loaded += multi->arImage()->Image(i)->hasPicture() ? 1 : 0;
    if (loaded != PictureCount) {
        std::fprintf(stderr, "only %d cells were filled\n", loaded);
        return 1;
    }
    std::printf("ms=%.1f peak=%.1f cpu=%.1f\n", ms, peakResidentMb(), cpu);
    return 0;
}

// Child: the same files loaded full size with QImage, one after another, and
// kept, as cells holding full pictures would keep them.
int runReference(int argc, char **argv, const QString &dir)
{
    QGuiApplication app(argc, argv);
    QList<QImage> images;
    QElapsedTimer clock;
    const double cpuStart = cpuMs();
    clock.start();
    for (const QByteArray &path : picturePaths(dir)) {
        QImage image(QFile::decodeName(path));
        if (image.isNull()) {
            std::fprintf(stderr, "QImage could not load %s\n", path.constData());
            return 1;
        }
        images.append(image);
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    const double cpu = cpuMs() - cpuStart;
    std::printf("ms=%.1f peak=%.1f cpu=%.1f\n", ms, peakResidentMb(), cpu);
    return 0;
}

struct Figures
{
    double ms = 1e18;
    double peak = 0;
    double cpu = 1e18;
};

bool runChild(const QString &program, const QString &side, const QString &dir,
              const QString &config, Figures *figures)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    // Every round a first view: the shared thumbnails start empty.
    const QTemporaryDir cache;
    env.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {QStringLiteral("--child"), side, dir});
    if (!child.waitForFinished(600000) || child.exitCode() != 0)
        return false;
    double ms = 0;
    double peak = 0;
    double cpu = 0;
    const QByteArray out = child.readAllStandardOutput();
    if (std::sscanf(out.constData(), "ms=%lf peak=%lf cpu=%lf", &ms, &peak, &cpu) != 3)
        return false;
    figures->ms = qMin(figures->ms, ms);
    figures->cpu = qMin(figures->cpu, cpu);
    figures->peak = qMax(figures->peak, peak);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0) {
        const QString dir = QString::fromLocal8Bit(argv[3]);
        return qstrcmp(argv[2], "grid") == 0 ? runGrid(argc, argv, dir)
                                             : runReference(argc, argv, dir);
    }

    QCoreApplication app(argc, argv);
    QTemporaryDir pictures;
    QTemporaryDir config;
    if (!pictures.isValid() || !config.isValid() || !writePictures(pictures.path())) {
        std::fprintf(stderr, "cannot write the test pictures\n");
        return 1;
    }
    const QString program = QCoreApplication::applicationFilePath();
    Figures grid;
    Figures reference;
    for (int round = 0; round < 3; ++round) {
        if (!runChild(program, QStringLiteral("grid"), pictures.path(), config.path(), &grid) ||
            !runChild(program, QStringLiteral("ref"), pictures.path(), config.path(), &reference)) {
            std::fprintf(stderr, "a measuring child failed\n");
            return 1;
        }
    }
    // Processor time besides: on a busy machine the wall clock shows how much
    // of the processors the run got as much as what the work costs.
    std::printf("# grid cpu %.1f ms, reference cpu %.1f ms (%.2fx)\n", grid.cpu, reference.cpu,
                reference.cpu / grid.cpu);
    std::printf("BENCH name=grid_speedup value=%.1f unit=ms ref=%.1f ratio=%.2f goal=ratio>=3\n",
                grid.ms, reference.ms, reference.ms / grid.ms);
    std::printf("BENCH name=grid_peak_mb value=%.1f unit=MB ref=%.1f ratio=%.3f goal=value<300\n",
                grid.peak, reference.peak, grid.peak / reference.peak);
    return 0;
}
