// The grid of 60 pictures without embedded thumbnails (PNG, WebP and edited
// JPEGs) shown a second time, from the shared thumbnail cache, against the
// first time; and the first time with thumbnails written against without.
// Each round starts from an empty cache; the files are read once before, so
// every side finds them in the page cache.

#include "components/extarr.h"
#include "picture/thumbnailcache.h"
#include "picturefiles.h"
#include "shell/appwindows.h"
#include "viewer/tformmulti.h"

#include <benchreport.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr int PictureCount = 60;
constexpr int Distinct = 4; // of each kind; the rest are copies under other names

// PNG and WebP of 1600 × 1200, JPEGs of 4000 × 3000 as an editor saves them.
QList<QByteArray> writePictures(const QString &dir)
{
    QList<QByteArray> paths;
    const bool webp = PictureFiles::hasTool(QStringLiteral("cwebp"));
    for (int i = 0; i < PictureCount; ++i) {
        const int kind = i % 3;
        const QString ext = kind == 0           ? QStringLiteral(".png")
                            : kind == 1 && webp ? QStringLiteral(".webp")
                            : kind == 1         ? QStringLiteral(".png")
                                                : QStringLiteral(".jpg");
        const QString path = dir + QStringLiteral("/p%1").arg(i, 2, 10, QLatin1Char('0')) + ext;
        const int model = i % (3 * Distinct); // same kind, earlier file
        if (model != i && QFile::copy(QFile::decodeName(paths[model]), path)) {
            paths.append(QFile::encodeName(path));
            continue;
        }
        const QImage image = kind == 2 ? PictureFiles::photoLike(4000, 3000, quint32(i))
                                       : PictureFiles::photoLike(1600, 1200, quint32(i));
        const bool ok =
            ext == QStringLiteral(".webp")
                ? PictureFiles::writeWithTool(path, image, QStringLiteral("cwebp"),
                                              {QStringLiteral("-q"), QStringLiteral("85")})
                : PictureFiles::write(path, image);
        if (!ok)
            return {};
        paths.append(QFile::encodeName(path));
    }
    return paths;
}

// From the command to the last cell painted.
double fillMs(TFormMulti *multi, const QList<QByteArray> &paths)
{
    QEventLoop loop;
    bool shown = false;
    const auto connection = QObject::connect(multi, &TFormMulti::fillFinished, &loop, [&](bool ok) {
        shown = ok;
        loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    multi->FillMultiWindow(paths, true);
    loop.exec();
    multi->repaint();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    QObject::disconnect(connection);
    int loaded = 0;
    for (int i = 0; i < TFormMulti::CellCount; ++i)
        loaded += multi->arImage()->Image(i)->hasPicture() ? 1 : 0;
    return shown && loaded == paths.size() ? ms : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir temp;
    if (!temp.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp.filePath(QStringLiteral("config"))));
    QApplication app(argc, argv);
    QDir(temp.path()).mkdir(QStringLiteral("pictures"));
    const QList<QByteArray> paths = writePictures(temp.filePath(QStringLiteral("pictures")));
    if (paths.size() != PictureCount) {
        std::printf("# cannot write the pictures\n");
        return 1;
    }
    if (!paths[1].endsWith(".webp"))
        std::printf("# cwebp missing: PNG stands in for WebP\n");

    std::unique_ptr<AppWindows> windows = createWindows();
    TFormMulti *multi = windows->multi();
    ThumbnailCache::setEnabled(false);
    fillMs(multi, paths); // reads the files into the page cache, warms the window
    std::vector<double> off, first, second;
    for (int round = 0; round < 3; ++round) {
        QTemporaryDir cache;
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        ThumbnailCache::setEnabled(false);
        off.push_back(fillMs(multi, paths));
        ThumbnailCache::setEnabled(true);
        first.push_back(fillMs(multi, paths));
        second.push_back(fillMs(multi, paths));
    }
    for (const auto *figures : {&off, &first, &second}) {
        if (std::find(figures->begin(), figures->end(), -1.0) != figures->end()) {
            std::printf("# a grid fill failed\n");
            return 1;
        }
    }
    const double cold = median(first);
    printBench("grid_cached_thumbs_ms", median(second), "ms", cold, "value<=100ms");
    printBench("thumbnail_write_overhead", cold, "ms", median(off), "ratio<=1.15");
    return 0;
}
