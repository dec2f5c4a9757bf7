#include "filebytes.h"
#include "picture/pictureloader.h"
#include "picturefiles.h"
#include "processmemory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

#include <jerror.h>
#include <jpeglib.h>

using namespace PictureFiles;
using ProcessMemory::peakResidentKb;
using ProcessMemory::resetPeakResident;

namespace {

// Slanted stripes over gradients and grain: chroma changes at every column,
// so any difference in upsampling at a crop's edge shows in the pixels.
QImage stripes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = 7;
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int grain = int(state >> 28);
            const bool stripe = ((x + y / 3) / 7) % 2 == 0;
            row[x] = qRgb((x * 255 / width + grain) & 255, stripe ? 200 - grain : 40 + grain,
                          (y * 255 / height + 3 * grain) & 255);
        }
    }
    return image;
}

} // namespace

class TestPictureLoader : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString file(const QString &name) const { return m_dir.filePath(name); }
    static QByteArray native(const QString &path) { return QFile::encodeName(path); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(write(file(QStringLiteral("q800.jpg")), quadrants(800, 600), 95));
        QVERIFY(write(file(QStringLiteral("prog.jpg")), quadrants(800, 600), 95, true));
        QVERIFY(write(file(QStringLiteral("q.bmp")), quadrants(64, 48)));
        QVERIFY(write(file(QStringLiteral("q.ico")), quadrants(32, 32)));
        QVERIFY(
            writeBytes(file(QStringLiteral("noise.jpg")), QByteArrayLiteral("GIF89a not a jpeg")));
        QVERIFY(
            writeBytes(file(QStringLiteral("noise.bmp")), QByteArrayLiteral("BMxxxxxxxxxxxxxx")));
        QVERIFY(writeBytes(file(QStringLiteral("empty.jpg")), QByteArray()));
        QVERIFY(writeBytes(file(QStringLiteral("a.gif")), QByteArrayLiteral("GIF89a")));
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.jpg")));
        QVERIFY(writeCmykJpeg(file(QStringLiteral("cmyk.jpg")), 40, 30));
        QFile::copy(file(QStringLiteral("q800.jpg")), file(QStringLiteral("UPPER.JPEG")));
    }

    void decodesByExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("jpg") << "q800.jpg" << QSize(800, 600);
        QTest::newRow("JPEG in capitals") << "UPPER.JPEG" << QSize(800, 600);
        QTest::newRow("progressive") << "prog.jpg" << QSize(800, 600);
        QTest::newRow("bmp") << "q.bmp" << QSize(64, 48);
        QTest::newRow("ico") << "q.ico" << QSize(32, 32);
    }
    void decodesByExtension()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const PictureResult full = PictureLoader::decodeFull(native(file(name)));
        QVERIFY2(full.ok, qPrintable(full.error));
        QCOMPARE(full.image.size(), size);
        QCOMPARE(full.fullSize, size);
        // Top-left is red, bottom-right blue: the rows are not upside down or swapped.
        QVERIFY(near(full.image.pixel(2, 2), Qt::red));
        QVERIFY(near(full.image.pixel(size.width() - 3, size.height() - 3), Qt::blue));

        const PictureResult header = PictureLoader::readSize(native(file(name)));
        QVERIFY(header.ok);
        QCOMPARE(header.fullSize, size);
        QVERIFY(header.image.isNull());
    }

    // The size comes from the header alone: a 6000 × 4000 file cut right
    // after its scan header, with no pixel data at all, still reads.
    void headerSizeNeedsNoPixels()
    {
        const QString whole = file(QStringLiteral("big.jpg"));
        QVERIFY(write(whole, quadrants(6000, 4000), 50));
        const QByteArray bytes = fileBytes(whole);
        const qsizetype sos = bytes.indexOf(QByteArrayLiteral("\xFF\xDA"));
        QVERIFY(sos > 0);
        const int length = (uchar(bytes[sos + 2]) << 8) | uchar(bytes[sos + 3]);
        const QString headerOnly = file(QStringLiteral("big-header.jpg"));
        QVERIFY(writeBytes(headerOnly, bytes.left(sos + 2 + length)));

        const bool canMeasure = resetPeakResident();
        const qint64 before = peakResidentKb();
        for (const QString &name : {whole, headerOnly}) {
            const PictureResult result = PictureLoader::readSize(QFile::encodeName(name));
            QVERIFY2(result.ok, qPrintable(result.error));
            QCOMPARE(result.fullSize, QSize(6000, 4000));
            QVERIFY(result.image.isNull());
        }
        // Decoding the pixels would have touched 96 MB.
        if (canMeasure)
            QVERIFY2(peakResidentKb() - before < 20 * 1024, "reading the size decoded pixels");
    }

    void cmykComesOutAsRgb()
    {
        const PictureResult result =
            PictureLoader::decodeFull(native(file(QStringLiteral("cmyk.jpg"))));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.image.size(), QSize(40, 30));
        QVERIFY(near(result.image.pixel(5, 5), Qt::red));
    }

    // The reduction is the smallest of 1, 1/2, 1/4, 1/8 that still covers the box.
    void coverPicksSmallestCoveringScale_data()
    {
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("preview box") << QSize(271, 220) << QSize(400, 300);
        QTest::newRow("exactly an eighth") << QSize(100, 75) << QSize(100, 75);
        QTest::newRow("just over an eighth") << QSize(101, 75) << QSize(200, 150);
        QTest::newRow("tall box") << QSize(10, 301) << QSize(800, 600);
        QTest::newRow("wider than the picture") << QSize(801, 10) << QSize(800, 600);
        QTest::newRow("empty box") << QSize(0, 0) << QSize(100, 75);
    }
    void coverPicksSmallestCoveringScale()
    {
        QFETCH(QSize, box);
        QFETCH(QSize, expected);
        const PictureResult result =
            PictureLoader::decodeToCover(native(file(QStringLiteral("q800.jpg"))), box);
        QVERIFY(result.ok);
        QCOMPARE(result.image.size(), expected);
        QCOMPARE(result.fullSize, QSize(800, 600));
        QVERIFY(near(result.image.pixel(1, 1), Qt::red));
    }

    void topLeftHoldsFullScalePixels_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("expected");
        QTest::addColumn<QColor>("bottomRight");
        QTest::newRow("jpeg, box inside")
            << "q800.jpg" << QSize(271, 220) << QSize(271, 220) << QColor(Qt::red);
        QTest::newRow("jpeg, box past the edge")
            << "q800.jpg" << QSize(1000, 1000) << QSize(800, 600) << QColor(Qt::blue);
        QTest::newRow("bmp, box past the edge")
            << "q.bmp" << QSize(271, 220) << QSize(64, 48) << QColor(Qt::blue);
        QTest::newRow("bmp, box inside")
            << "q.bmp" << QSize(20, 10) << QSize(20, 10) << QColor(Qt::red);
    }
    void topLeftHoldsFullScalePixels()
    {
        QFETCH(QString, name);
        QFETCH(QSize, box);
        QFETCH(QSize, expected);
        QFETCH(QColor, bottomRight);
        const PictureResult result = PictureLoader::decodeTopLeft(native(file(name)), box);
        QVERIFY(result.ok);
        QCOMPARE(result.image.size(), expected);
        QVERIFY(near(result.image.pixel(expected.width() - 2, expected.height() - 2), bottomRight));
    }

    // The corner read with the crop path holds exactly the pixels of a full
    // decode, also where chroma is upsampled across the crop's edge.
    void cornerEqualsFullDecode_data()
    {
        QTest::addColumn<int>("sampling");
        QTest::addColumn<bool>("progressive");
        for (int sampling : {4, 2, 1}) {
            for (bool progressive : {false, true}) {
                const QByteArray name = QByteArray(sampling == 4   ? "4:2:0"
                                                   : sampling == 2 ? "4:2:2"
                                                                   : "4:4:4") +
                                        (progressive ? " progressive" : " baseline");
                QTest::newRow(name.constData()) << sampling << progressive;
            }
        }
    }
    void cornerEqualsFullDecode()
    {
        QFETCH(int, sampling);
        QFETCH(bool, progressive);
        const QString path =
            file(QStringLiteral("corner_%1_%2.jpg").arg(sampling).arg(progressive));
        QVERIFY(writeSampledJpeg(path, stripes(700, 530), sampling, progressive));
        const PictureResult full = PictureLoader::decodeFull(native(path));
        QVERIFY(full.ok);
        for (const QSize box : {QSize(300, 300), QSize(123, 77), QSize(17, 401)}) {
            const PictureResult corner = PictureLoader::decodeTopLeft(native(path), box);
            QVERIFY(corner.ok);
            QCOMPARE(corner.fullSize, QSize(700, 530));
            QCOMPARE(corner.image, full.image.copy(QRect(QPoint(0, 0), box)));
        }
    }

    // A progressive preview comes from the first (DC) scans alone: within a
    // small error of the full 1/8 decode, and still whole when everything
    // after those scans is damaged, where a full decode fails.
    void progressivePreviewReadsTheFirstScans()
    {
        // Soft shapes, as a photograph has: the first scans lack the chroma
        // detail that the reduced chroma of a full decode still carries.
        QImage body(1600, 1200, QImage::Format_RGB32);
        for (int y = 0; y < body.height(); ++y) {
            for (int x = 0; x < body.width(); ++x)
                body.setPixel(x, y,
                              qRgb(x * 255 / 1600, (x + y) * 255 / 2800,
                                   128 + int(100 * std::sin(y / 90.0))));
        }
        const QString baseline = file(QStringLiteral("scan_base.jpg"));
        const QString progressive = file(QStringLiteral("scan_prog.jpg"));
        QVERIFY(writeSampledJpeg(baseline, body, 4, false));
        QVERIFY(writeSampledJpeg(progressive, body, 4, true));
        const QSize box(200, 150);
        const PictureResult reference = PictureLoader::decodeToCover(native(baseline), box);
        const PictureResult preview = PictureLoader::decodeToCover(native(progressive), box);
        QVERIFY(reference.ok && preview.ok);
        QCOMPARE(preview.image.size(), QSize(200, 150));
        QCOMPARE(preview.fullSize, QSize(1600, 1200));
        qint64 difference = 0;
        for (int y = 0; y < 150; ++y) {
            for (int x = 0; x < 200; ++x) {
                const QRgb a = reference.image.pixel(x, y);
                const QRgb b = preview.image.pixel(x, y);
                difference += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) +
                              qAbs(qBlue(a) - qBlue(b));
            }
        }
        QVERIFY2(difference <= 200 * 150 * 3 * 2, qPrintable(QString::number(difference)));

        QByteArray bytes = fileBytes(progressive);
        const qsizetype second = bytes.indexOf("\xFF\xDA", bytes.indexOf("\xFF\xDA") + 2);
        QVERIFY(second > 0);
        bytes.insert(second, QByteArrayLiteral("\xFF\xF7\x00\x04\x00\x00"));
        const QString damaged = file(QStringLiteral("scan_damaged.jpg"));
        QVERIFY(writeBytes(damaged, bytes));
        const PictureResult again = PictureLoader::decodeToCover(native(damaged), box);
        QVERIFY(again.ok);
        QCOMPARE(again.image, preview.image);
        QVERIFY(!PictureLoader::decodeFull(native(damaged)).ok);
    }

    void failuresCarryTheLoaderTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const QString missing = file(QStringLiteral("missing.jpg"));
        const QString folder = file(QStringLiteral("folder.jpg"));
        const QString noise = file(QStringLiteral("noise.bmp"));
        QTest::newRow("missing jpeg")
            << missing << QStringLiteral("ﾌｧｲﾙ %1 は開けません").arg(missing);
        QTest::newRow("a directory")
            << folder << QStringLiteral("ﾌｧｲﾙ %1 は開けません").arg(folder);
        QTest::newRow("damaged bmp") << noise << QStringLiteral("ﾌｧｲﾙ %1 は開けません").arg(noise);
        QTest::newRow("gif") << file(QStringLiteral("a.gif"))
                             << QStringLiteral("拡張子 .gif の画像形式は処理できません");
        // The extension decides before the file is even looked at.
        QTest::newRow("missing GIF") << file(QStringLiteral("gone.GIF"))
                                     << QStringLiteral("拡張子 .GIF の画像形式は処理できません");
        QTest::newRow("wmf") << file(QStringLiteral("x.wmf"))
                             << QStringLiteral("拡張子 .wmf の画像形式は処理できません");
        QTest::newRow("emf") << file(QStringLiteral("x.emf"))
                             << QStringLiteral("拡張子 .emf の画像形式は処理できません");
        QTest::newRow("no extension") << file(QStringLiteral("dir.d/plain"))
                                      << QStringLiteral("拡張子 . の画像形式は処理できません");
        QTest::newRow("not a jpeg") << file(QStringLiteral("noise.jpg"))
                                    << QStringLiteral("JPEG ｴﾗｰ #%1").arg(int(JERR_NO_SOI));
        QTest::newRow("empty jpeg") << file(QStringLiteral("empty.jpg"))
                                    << QStringLiteral("JPEG ｴﾗｰ #%1").arg(int(JERR_INPUT_EMPTY));
    }
    void failuresCarryTheLoaderTexts()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const QByteArray path = native(name);
        for (const PictureResult &result :
             {PictureLoader::decodeFull(path), PictureLoader::decodeToCover(path, QSize(50, 50)),
              PictureLoader::readSize(path)}) {
            QVERIFY(!result.ok);
            QCOMPARE(result.error, expected);
            QVERIFY(result.image.isNull());
        }
    }

    void pathBytesNeedNotBeUtf8()
    {
        const QByteArray dir = native(m_dir.path());
        const QByteArray path = dir + "/\xff\xfe-latin1-\xe9.jpg";
        QVERIFY(writeNative(path, fileBytes(file(QStringLiteral("q800.jpg")))));
        const PictureResult result = PictureLoader::decodeToCover(path, QSize(10, 10));
        QVERIFY(result.ok);
        QCOMPARE(result.fullSize, QSize(800, 600));
    }

    // A header claiming 65,000 × 65,000 pixels (16 GB as RGB32) is refused
    // before anything of that size is allocated or written.
    void hugeHeaderIsRefusedWithoutAllocating()
    {
        const QString name = file(QStringLiteral("huge.jpg"));
        QVERIFY(writeBytes(name, jpegClaiming(65000, 65000)));
        const PictureResult header = PictureLoader::readSize(native(name));
        QVERIFY(header.ok);
        QCOMPARE(header.fullSize, QSize(65000, 65000));

        const bool canMeasure = resetPeakResident();
        const qint64 before = peakResidentKb();
        for (const PictureResult &result :
             {PictureLoader::decodeFull(native(name)),
              PictureLoader::decodeToCover(native(name), QSize(271, 220)),
              PictureLoader::decodeTopLeft(native(name), QSize(271, 220))}) {
            QVERIFY(!result.ok);
            QCOMPARE(result.error, QStringLiteral("JPEG ｴﾗｰ #%1").arg(int(JERR_IMAGE_TOO_BIG)));
            QCOMPARE(result.fullSize, QSize(65000, 65000));
        }
        if (canMeasure)
            QVERIFY2(peakResidentKb() - before < 20 * 1024, "the refused picture grew the peak");
    }

    void pixelLimitCanBeLowered()
    {
        PictureLoader::setMaxPixels(800 * 600 - 1);
        const PictureResult jpeg =
            PictureLoader::decodeFull(native(file(QStringLiteral("q800.jpg"))));
        PictureLoader::setMaxPixels(64 * 48 - 1);
        const PictureResult bmp = PictureLoader::decodeFull(native(file(QStringLiteral("q.bmp"))));
        PictureLoader::setMaxPixels(100'000'000);
        QVERIFY(!jpeg.ok);
        QCOMPARE(jpeg.jpegCode, int(JERR_IMAGE_TOO_BIG));
        QVERIFY(!bmp.ok);
        QVERIFY(PictureLoader::decodeFull(native(file(QStringLiteral("q800.jpg")))).ok);
    }

    // A cut-off file shows what arrived; the missing rows are filled, not fatal.
    void truncatedJpegDecodesWhatIsThere()
    {
        const QByteArray whole = fileBytes(file(QStringLiteral("q800.jpg")));
        const QString name = file(QStringLiteral("cut.jpg"));
        QVERIFY(writeBytes(name, whole.left(whole.size() / 2)));
        const PictureResult result = PictureLoader::decodeFull(native(name));
        QVERIFY(result.ok);
        QCOMPARE(result.image.size(), QSize(800, 600));
        QVERIFY(near(result.image.pixel(2, 2), Qt::red));

        // Cut inside the headers: nothing to show, a clean error.
        QVERIFY(writeBytes(name, whole.left(40)));
        const PictureResult early = PictureLoader::decodeFull(native(name));
        QVERIFY(!early.ok);
        QVERIFY(early.error.startsWith(QStringLiteral("JPEG ｴﾗｰ #")));
    }

    void cancelledLoadStops()
    {
        std::atomic_bool cancel{true};
        for (const QString &name :
             {QStringLiteral("q800.jpg"), QStringLiteral("prog.jpg"), QStringLiteral("q.bmp")}) {
            const PictureResult result = PictureLoader::decodeFull(native(file(name)), &cancel);
            QVERIFY(!result.ok);
            QVERIFY(result.cancelled);
            QVERIFY(result.error.isEmpty());
            QVERIFY(result.image.isNull());
        }
    }
};

QTEST_GUILESS_MAIN(TestPictureLoader)
#include "test_pictureloader.moc"
