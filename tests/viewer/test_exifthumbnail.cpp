#include "filebytes.h"
#include "picture/exifthumbnail.h"
#include "picture/jpegdecoder.h"
#include "picture/pictureloader.h"
#include "picturefiles.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace PictureFiles;

namespace {

// Exif headers of real cameras and phones, with their decoded tag values.
const QString Samples = QStringLiteral("/usr/share/gocode/src/github.com/rwcarlsen/goexif/exif");

struct Expected
{
    quint32 offset = 0;
    quint32 length = 0;
    QSize picture;
};

// The sample set's own table of expected tag values, per file name.
QHash<QString, Expected> expectedValues()
{
    QHash<QString, Expected> table;
    QFile file(Samples + QStringLiteral("/regress_expected_test.go"));
    if (!file.open(QIODevice::ReadOnly))
        return table;
    const QString text = QString::fromUtf8(file.readAll());
    const QRegularExpression block(
        QStringLiteral("\"([^\"]+\\.jpg)\": map\\[FieldName\\]string\\{(.*?)\\n\\t\\}"),
        QRegularExpression::DotMatchesEverythingOption);
    auto field = [](const QString &body, const char *name) {
        const QRegularExpression re(QStringLiteral("\\b%1:\\s+`(\\d+)`").arg(QLatin1String(name)));
        const QRegularExpressionMatch m = re.match(body);
        return m.hasMatch() ? m.captured(1).toUInt() : 0u;
    };
    for (auto it = block.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString body = m.captured(2);
        table.insert(m.captured(1), {field(body, "ThumbJPEGInterchangeFormat"),
                                     field(body, "ThumbJPEGInterchangeFormatLength"),
                                     QSize(int(field(body, "PixelXDimension")),
                                           int(field(body, "PixelYDimension")))});
    }
    return table;
}

QImage decodeBytes(const QByteArray &bytes)
{
    JpegDecoder::Request request;
    request.maxPixels = 4'000'000;
    return JpegDecoder::decodeBytes(bytes, request).image;
}

} // namespace

class TestExifThumbnail : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // A 3:2 body of one colour with an Exif thumbnail of another.
    QByteArray writeWithThumbnail(const QString &name, const QImage &thumbnail, bool bigEndian,
                                  QSize body = QSize(600, 400), QColor color = Qt::red)
    {
        QImage image(body, QImage::Format_RGB32);
        image.fill(color);
        const QString path = m_dir.filePath(name);
        writeSampledJpeg(path, image, 4, false, exifPayload(jpegBytes(thumbnail), bigEndian));
        return QFile::encodeName(path);
    }

private slots:
    void cameraHeadersGiveTheirThumbnails()
    {
        const QHash<QString, Expected> expected = expectedValues();
        QVERIFY2(expected.size() >= 40, "the Exif samples package is missing");
        int found = 0;
        int bigEndian = 0;
        int letterboxed = 0;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const QByteArray bytes = fileBytes(Samples + QStringLiteral("/samples/") + it.key());
            QVERIFY2(!bytes.isEmpty(), qPrintable(it.key()));
            const std::optional<ExifThumbnail::Location> location =
                ExifThumbnail::locateInFile(bytes);
            const bool whole = it->length > 0;
            // A thumbnail the header names but the sample does not hold whole is refused.
            const qint64 tiff = location ? location->tiffStart : bytes.indexOf("Exif") + 6;
            const bool inFile = tiff + it->offset + it->length <= bytes.size();
            QCOMPARE(location.has_value(), whole && inFile);
            if (!location)
                continue;
            ++found;
            QCOMPARE(location->offset, it->offset);
            QCOMPARE(location->length, it->length);
            QCOMPARE(location->bigEndian, bytes.at(int(location->tiffStart)) == 'M');
            bigEndian += location->bigEndian ? 1 : 0;
            const QImage thumbnail =
                decodeBytes(bytes.mid(location->fileOffset(), location->length));
            QVERIFY2(!thumbnail.isNull(), qPrintable(it.key()));
            QVERIFY2(thumbnail.width() <= 1024 && thumbnail.height() <= 1024, qPrintable(it.key()));
            if (it->picture.isEmpty())
                continue;
            const QImage fitted = ExifThumbnail::fitToPicture(thumbnail, it->picture);
            if (fitted.isNull())
                continue;
            letterboxed += fitted.size() != thumbnail.size() ? 1 : 0;
            const double shape = double(fitted.width()) / fitted.height();
            const double picture = double(it->picture.width()) / it->picture.height();
            QVERIFY2(qAbs(shape / picture - 1.0) <= 0.04, qPrintable(it.key()));
        }
        QVERIFY(found >= 30);
        QVERIFY(bigEndian > 5 && bigEndian < found - 5);
        qInfo("%d thumbnails, %d big-endian, %d letterboxed", found, bigEndian, letterboxed);
    }

    void damagedBlocksGiveNoThumbnail()
    {
        const QStringList corrupt =
            QDir(Samples + QStringLiteral("/corrupt")).entryList(QDir::Files);
        QVERIFY(!corrupt.isEmpty());
        for (const QString &name : corrupt) {
            const QByteArray bytes = fileBytes(Samples + QStringLiteral("/corrupt/") + name);
            if (const auto location = ExifThumbnail::locateInFile(bytes))
                QVERIFY(location->fileOffset() + location->length <= bytes.size());
            QVERIFY(!PictureLoader::readThumbnail(
                         QFile::encodeName(Samples + QStringLiteral("/corrupt/") + name))
                         .ok);
        }
        // Cut anywhere, a good header never points outside what is left.
        const QByteArray good = fileBytes(Samples + QStringLiteral("/samples/f1-exif.jpg"));
        for (int size = 0; size < good.size(); size += 7) {
            if (const auto location = ExifThumbnail::locateInFile(good.left(size)))
                QVERIFY(location->fileOffset() + location->length <= size);
        }
    }

    // The loader's thumbnail is the embedded picture (blue), not the body
    // (red), in both byte orders, with the body's size from its header.
    void loaderReadsTheEmbeddedPicture_data()
    {
        QTest::addColumn<bool>("bigEndian");
        QTest::newRow("little-endian") << false;
        QTest::newRow("big-endian") << true;
    }
    void loaderReadsTheEmbeddedPicture()
    {
        QFETCH(bool, bigEndian);
        QImage thumbnail(150, 100, QImage::Format_RGB32);
        thumbnail.fill(Qt::blue);
        const QByteArray path =
            writeWithThumbnail(QStringLiteral("t%1.jpg").arg(bigEndian), thumbnail, bigEndian);
        const PictureResult result = PictureLoader::readThumbnail(path);
        QVERIFY(result.ok);
        QCOMPARE(result.fullSize, QSize(600, 400));
        QCOMPARE(result.image.size(), QSize(150, 100));
        QVERIFY(near(result.image.pixel(75, 50), Qt::blue));
    }

    // A 160 x 120 thumbnail of a 3:2 picture has black bars above and below:
    // they go. A thumbnail of another shape without bars is not the picture.
    void thumbnailsAreFittedToThePicture_data()
    {
        QTest::addColumn<bool>("bars");
        QTest::addColumn<QSize>("fitted");
        QTest::newRow("letterboxed") << true << QSize(160, 106);
        QTest::newRow("other shape, no bars") << false << QSize(0, 0);
    }
    void thumbnailsAreFittedToThePicture()
    {
        QFETCH(bool, bars);
        QFETCH(QSize, fitted);
        QImage thumbnail(160, 120, QImage::Format_RGB32);
        thumbnail.fill(bars ? Qt::black : Qt::green);
        QPainter(&thumbnail).fillRect(0, 7, 160, 106, Qt::blue);
        const QByteArray path =
            writeWithThumbnail(QStringLiteral("box%1.jpg").arg(bars), thumbnail, false);
        const PictureResult result = PictureLoader::readThumbnail(path);
        QCOMPARE(result.ok, bars);
        QCOMPARE(result.image.size(), fitted);
        if (bars) {
            for (int y : {2, result.image.height() - 3})
                QVERIFY(near(result.image.pixel(80, y), Qt::blue, 40));
        }
        // The grid takes it only where it covers the cell, else it decodes.
        const PictureResult cell = PictureLoader::decodeThumbnailOrCover(path, QSize(100, 100));
        QVERIFY(near(cell.image.pixel(10, 10), bars ? Qt::blue : Qt::red));
        const PictureResult large = PictureLoader::decodeThumbnailOrCover(path, QSize(300, 200));
        QVERIFY(near(large.image.pixel(10, 10), Qt::red));
    }
};

QTEST_APPLESS_MAIN(TestExifThumbnail)
#include "test_exifthumbnail.moc"
