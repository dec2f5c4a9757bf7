// PNG, WebP and AVIF through the picture loader, on photo-like pictures made
// here and encoded by cwebp and avifenc. Each figure beside its reference
// measured in the same run:
//   preview_webp_vs_qimage   the preview's reduced load of a 24 MP WebP
//                            against QImage reading the same file whole
//   preview_avif_vs_avifdec  the preview's reduced load of a 24 MP AVIF
//                            against the avifdec tool writing it as .y4m
//   header_read_*_us         readSize per file with a warm cache, against
//                            the same for JPEG files of the same pictures
#include "benchreport.h"

#include "picture/pictureloader.h"
#include "picture/picturerequest.h"
#include "picturefiles.h"
#include "viewer/previewpane.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianMs(int runs, const std::function<bool()> &work)
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

// Microseconds per readSize over all files, the median of several passes.
double headerMicroseconds(const QList<QByteArray> &files)
{
    for (const QByteArray &file : files) // warms the cache
        PictureLoader::readSize(file);
    std::vector<double> passes;
    for (int pass = 0; pass < 7; ++pass) {
        QElapsedTimer clock;
        clock.start();
        for (const QByteArray &file : files) {
            if (!PictureLoader::readSize(file).ok)
                return -1;
        }
        passes.push_back(clock.nsecsElapsed() / 1e3 / double(files.size()));
    }
    return median(passes);
}

bool runAvifdec(const QString &avif, const QString &y4m)
{
    QProcess avifdec;
    avifdec.setProcessChannelMode(QProcess::MergedChannels);
    avifdec.start(QStringLiteral("avifdec"), {avif, y4m});
    const bool ok = avifdec.waitForFinished(120000) && avifdec.exitCode() == 0;
    QFile::remove(y4m);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    using PictureFiles::writeWithTool;
    for (const char *tool : {"cwebp", "avifenc", "avifdec"}) {
        if (!PictureFiles::hasTool(QString::fromLatin1(tool))) {
            std::printf("# bench_formats needs %s: scripts/install-deps.sh\n", tool);
            return 1;
        }
    }
    QTemporaryDir temp;
    if (!temp.isValid())
        return 1;
    auto file = [&temp](const QString &name) { return temp.filePath(name); };

    // Small pictures for the header figures: four distinct ones, each format,
    // a hundred names each.
    const QStringList webpOptions{QStringLiteral("-q"), QStringLiteral("80"),
                                  QStringLiteral("-mt")};
    const QStringList avifOptions{QStringLiteral("--speed"), QStringLiteral("10"),
                                  QStringLiteral("-j"),      QStringLiteral("2"),
                                  QStringLiteral("-y"),      QStringLiteral("420")};
    std::printf("# encoders: cwebp %s; avifenc %s\n", qPrintable(webpOptions.join(u' ')),
                qPrintable(avifOptions.join(u' ')));
    QList<QByteArray> jpeg, png, webp, avif;
    for (int i = 0; i < 4; ++i) {
        const QImage small = PictureFiles::photoLike(1600, 1200, quint32(i + 1));
        const QString stem = file(QStringLiteral("small%1").arg(i));
        if (!PictureFiles::write(stem + QStringLiteral(".jpg"), small) ||
            !PictureFiles::write(stem + QStringLiteral(".png"), small) ||
            !writeWithTool(stem + QStringLiteral(".webp"), small, QStringLiteral("cwebp"),
                           webpOptions) ||
            !writeWithTool(stem + QStringLiteral(".avif"), small, QStringLiteral("avifenc"),
                           avifOptions))
            return 1;
        for (int copy = 0; copy < 100; ++copy) {
            for (auto [list, extension] : {std::pair{&jpeg, "jpg"}, std::pair{&png, "png"},
                                           std::pair{&webp, "webp"}, std::pair{&avif, "avif"}}) {
                const QString name = QStringLiteral("h%1_%2.%3")
                                         .arg(i)
                                         .arg(copy)
                                         .arg(QString::fromLatin1(extension));
                QFile::copy(stem + QLatin1Char('.') + QString::fromLatin1(extension), file(name));
                list->append(QFile::encodeName(file(name)));
            }
        }
    }
    const double jpegUs = headerMicroseconds(jpeg);
    for (auto [name, files] :
         {std::pair{"header_read_png_us", &png}, std::pair{"header_read_webp_us", &webp},
          std::pair{"header_read_avif_us", &avif}}) {
        const double value = headerMicroseconds(*files);
        // The goal is the value itself; the JPEG reader stands beside it.
        printBench(name, value, "us", jpegUs, "<=50");
    }

    const QImage big = PictureFiles::photoLike(6000, 4000, 7);
    const QString bigWebp = file(QStringLiteral("big.webp"));
    const QString bigAvif = file(QStringLiteral("big.avif"));
    if (!writeWithTool(bigWebp, big, QStringLiteral("cwebp"), webpOptions) ||
        !writeWithTool(bigAvif, big, QStringLiteral("avifenc"), avifOptions))
        return 1;
    const QSize previewBox(PreviewPane::ImageWidth, PreviewPane::ImageHeight);

    const QByteArray webpPath = QFile::encodeName(bigWebp);
    const double webpPreview =
        medianMs(5, [&] { return PictureLoader::decodeToCover(webpPath, previewBox).ok; });
    const double webpWhole = medianMs(5, [&] { return !QImage(bigWebp).isNull(); });
    printBench("preview_webp_vs_qimage", webpPreview, "ms", webpWhole, "<=0.5");

    const QByteArray avifPath = QFile::encodeName(bigAvif);
    const double avifPreview =
        medianMs(5, [&] { return PictureLoader::decodeToCover(avifPath, previewBox).ok; });
    const double avifdec =
        medianMs(5, [&] { return runAvifdec(bigAvif, file(QStringLiteral("out.y4m"))); });
    printBench("preview_avif_vs_avifdec", avifPreview, "ms", avifdec, "<=1.2");

    // What the preview pane runs: the reduction and its corner together.
    for (auto [name, path] : {std::pair{"webp", webpPath}, std::pair{"avif", avifPath}}) {
        const double job = medianMs(3, [&, path = path] {
            std::atomic_bool cancel{false};
            const DecodedPicture out = PictureRequest::coverJob(path, previewBox, true)(cancel);
            return out.picture.ok && !out.corner.isNull();
        });
        std::printf("# preview job with its corner, %s: %.1f ms\n", name, job);
    }
    return 0;
}
