// Pictures as fast as their thumbnails, measured on real photographs: the
// wallpaper photographs Debian ships, resized to 12 and 24 megapixels, with
// thumbnails embedded by exiftool as a camera does. Each figure beside its
// reference measured in the same run:
//   grid_thumbs_ms               60 cells from thumbnails against the same
//                                photographs without them (the 1/8 decode)
//   preview_first_paint_ms       click to the thumbnail painted, against click
//                                to the decoded picture painted
//   preview_progressive_vs_today first scans of a progressive file against
//                                the full-scan 1/8 decode by libjpeg
//   corner_vs_full_*             a 300 x 300 top-left corner at 1:1 against a
//                                full decode, baseline and progressive
#include "benchreport.h"

#include "disksearch/resultentry.h"
#include "disksearch/resultlistpane.h"
#include "picture/pictureloader.h"
#include "picture/thumbnailcache.h"
#include "picturefiles.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"
#include "viewer/previewpane.h"
#include "viewer/tformmulti.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace {

const QString Wallpapers = QStringLiteral("/usr/share/wallpapers");

bool waitFor(const std::function<bool()> &done, int timeoutMs = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// The photographs among the wallpapers: those shipped as JPEG at 2560 wide.
QStringList photographs()
{
    QStringList found;
    for (const QString &name : QDir(Wallpapers).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString path =
            Wallpapers + QLatin1Char('/') + name + QStringLiteral("/contents/images/2560x1600.jpg");
        if (QFile::exists(path))
            found << path;
    }
    return found;
}

// Cut to 4:3 or 3:2 and resized, as a camera of that size would have taken it.
QImage resized(const QString &source, QSize size)
{
    const QImage image(source);
    if (image.isNull())
        return {};
    const QSize crop = size.scaled(image.size(), Qt::KeepAspectRatio);
    return image
        .copy(QRect(
            QPoint((image.width() - crop.width()) / 2, (image.height() - crop.height()) / 2), crop))
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Writes each picture with and without a 160-wide thumbnail (embedded by
// exiftool in one run for all of them).
bool writeSet(const QDir &dir, const QString &stem, const QImage &image, bool progressive,
              QStringList *withThumbnail)
{
    const QString plain = dir.filePath(stem + QStringLiteral("_plain.jpg"));
    const QString camera = dir.filePath(stem + QStringLiteral(".jpg"));
    const QImage thumbnail =
        image.scaled(QSize(160, 160), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return PictureFiles::write(plain, image, 90, progressive) && QFile::copy(plain, camera) &&
           PictureFiles::write(
               dir.filePath(QStringLiteral("thumbs/") + stem + QStringLiteral(".jpg")),
               thumbnail) &&
           (withThumbnail->append(camera), true);
}

bool embedThumbnails(const QDir &dir, const QStringList &files)
{
    QStringList arguments{QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                          QStringLiteral("-ThumbnailImage<=") +
                              dir.filePath(QStringLiteral("thumbs/%f.jpg"))};
    arguments += files;
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"), arguments);
    return exiftool.waitForFinished(300000) && exiftool.exitCode() == 0;
}

// libjpeg's plain 1/8 decode reading every scan: what a preview cost before.
double fullScanEighthMs(const QByteArray &path)
{
    QElapsedTimer clock;
    clock.start();
    FILE *file = std::fopen(path.constData(), "rb");
    if (file == nullptr)
        return -1;
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    cinfo.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    std::vector<JSAMPLE> row(size_t(cinfo.output_width) * 4);
    JSAMPROW pointer = row.data();
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, &pointer, 1);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return clock.nsecsElapsed() / 1e6;
}

template <typename F> double medianMs(int runs, F &&work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!work())
            return -1;
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    return median(times);
}

// The table command over 60 files until the window is shown and painted.
double gridFillMs(AppWindows &windows, const QList<QByteArray> &paths)
{
    TFormMain *main = windows.main();
    ResultListPane *list = main->resultList();
    list->clear();
    for (const QByteArray &path : paths)
        list->appendEntry(ResultEntry::format(0, 1, path));
    for (int i = 0; i < paths.size(); ++i)
        list->selectEntry(i);
    windows.multi()->hide();
    QCoreApplication::processEvents();
    bool done = false;
    auto connection = QObject::connect(windows.multi(), &TFormMulti::fillFinished, windows.multi(),
                                       [&](bool) { done = true; });
    QElapsedTimer clock;
    clock.start();
    main->findChild<QAction *>(QStringLiteral("T3"))->trigger();
    if (!waitFor([&] { return done; }))
        return -1;
    windows.multi()->repaint();
    const double ms = clock.nsecsElapsed() / 1e6;
    QObject::disconnect(connection);
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList sources = photographs();
    if (sources.size() < 4 ||
        QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty()) {
        std::printf("# bench_picture needs plasma-workspace-wallpapers and exiftool: "
                    "scripts/install-deps.sh bench\n");
        return 1;
    }
    QTemporaryDir temp;
    if (!temp.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp.filePath(QStringLiteral("config"))));
    QDir dir(temp.path());
    dir.mkdir(QStringLiteral("thumbs"));

    // Ten distinct 12-megapixel photographs, six names each; two 24-megapixel
    // ones, baseline and progressive.
    QStringList cameras;
    const int distinct = qMin(10, int(sources.size()));
    for (int i = 0; i < distinct; ++i) {
        if (!writeSet(dir, QStringLiteral("p12_%1").arg(i), resized(sources[i], QSize(4000, 3000)),
                      false, &cameras))
            return 1;
    }
    const QImage big = resized(sources[0], QSize(6000, 4000));
    if (!writeSet(dir, QStringLiteral("p24"), big, false, &cameras) ||
        !writeSet(dir, QStringLiteral("p24_prog"), big, true, &cameras) ||
        !embedThumbnails(dir, cameras))
        return 1;
    QList<QByteArray> withThumbs;
    QList<QByteArray> without;
    for (int i = 0; i < TFormMulti::CellCount; ++i) {
        const QString stem = QStringLiteral("p12_%1").arg(i % distinct);
        for (auto [list, suffix] : {std::pair{&withThumbs, QStringLiteral(".jpg")},
                                    std::pair{&without, QStringLiteral("_plain.jpg")}}) {
            const QString copy = dir.filePath(QStringLiteral("cell%1%2").arg(i).arg(suffix));
            QFile::copy(dir.filePath(stem + suffix), copy);
            list->append(QFile::encodeName(copy));
        }
    }
    const QByteArray p24 = QFile::encodeName(dir.filePath(QStringLiteral("p24.jpg")));
    const QByteArray p24Plain = QFile::encodeName(dir.filePath(QStringLiteral("p24_plain.jpg")));
    const QByteArray p24Prog =
        QFile::encodeName(dir.filePath(QStringLiteral("p24_prog_plain.jpg")));
    if (!PictureLoader::readThumbnail(p24).ok) {
        std::printf("# the embedded thumbnail was not found\n");
        return 1;
    }

    {
        std::unique_ptr<AppWindows> windows = createWindows();
        // First views each round: the shared thumbnails have a benchmark of
        // their own (bench_thumbcache).
        ThumbnailCache::setEnabled(false);
        gridFillMs(*windows, without); // warms the file cache and the window
        std::vector<double> thumbs, today;
        for (int round = 0; round < 3; ++round) {
            today.push_back(gridFillMs(*windows, without));
            thumbs.push_back(gridFillMs(*windows, withThumbs));
        }
        const double value = *std::min_element(thumbs.begin(), thumbs.end());
        const double ref = *std::min_element(today.begin(), today.end());
        printBench("grid_thumbs_ms", value, "ms", ref, value / ref, "<=100ms");
    }

    {
        PreviewPane pane;
        pane.show();
        QCoreApplication::processEvents();
        std::vector<double> paintMs;
        auto clickToPaint = [&](const QByteArray &path, bool thumbnail) {
            bool painted = false;
            QElapsedTimer clock;
            auto paint = [&] {
                const qint64 arrived = clock.nsecsElapsed();
                pane.repaint();
                painted = true;
                if (thumbnail)
                    paintMs.push_back((clock.nsecsElapsed() - arrived) / 1e6);
            };
            auto connection =
                thumbnail ? QObject::connect(&pane, &PreviewPane::thumbnailShown, &pane, paint)
                          : QObject::connect(&pane, &PreviewPane::pictureShown, &pane, paint);
            clock.start();
            pane.LoadPreview(path);
            const bool ok = waitFor([&] { return painted; });
            const double ms = clock.nsecsElapsed() / 1e6;
            QObject::disconnect(connection);
            waitFor([&] { return !pane.isLoading(); });
            return ok ? ms : -1.0;
        };
        std::vector<double> first, decoded;
        for (int round = 0; round < 7; ++round) {
            first.push_back(clickToPaint(p24, true));
            decoded.push_back(clickToPaint(p24Plain, false));
        }
        const double value = median(first);
        const double ref = median(decoded);
        std::printf("# first paint: %.3f ms of it painting the pane\n", median(paintMs));
        printBench("preview_first_paint_ms", value, "ms", ref, value / ref, "<=10ms");
    }

    const QSize previewBox(PreviewPane::ImageWidth, PreviewPane::ImageHeight);
    const double progressive =
        medianMs(5, [&] { return PictureLoader::decodeToCover(p24Prog, previewBox).ok; });
    std::vector<double> fullScan;
    for (int i = 0; i < 5; ++i)
        fullScan.push_back(fullScanEighthMs(p24Prog));
    const double today = median(fullScan);
    printBench("preview_progressive_vs_today", progressive, "ms", today, progressive / today,
               "<=0.25");

    for (auto [name, path, goal] : {std::tuple{"corner_vs_full_baseline", p24Plain, "<=0.1"},
                                    std::tuple{"corner_vs_full_progressive", p24Prog, "<=0.2"}}) {
        const double corner = medianMs(
            5, [&, path = path] { return PictureLoader::decodeTopLeft(path, QSize(300, 300)).ok; });
        const double full =
            medianMs(3, [&, path = path] { return PictureLoader::decodeFull(path).ok; });
        printBench(name, corner, "ms", full, corner / full, goal);
    }
    return 0;
}
