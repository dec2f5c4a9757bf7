#include "filebytes.h"
#include "picture/pictureloader.h"
#include "picture/picturerequest.h"
#include "picturefiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace PictureFiles;
using Format = PictureLoader::Format;

Q_DECLARE_METATYPE(PictureLoader::Format)

namespace {

const QSize Real(640, 480);

// Top-left red, top-right green, bottom-right blue, bottom-left yellow.
bool showsQuadrants(const QImage &image)
{
    const int w = image.width();
    const int h = image.height();
    return near(image.pixel(w / 4, h / 4), Qt::red) &&
           near(image.pixel(w * 3 / 4, h / 4), Qt::green) &&
           near(image.pixel(w * 3 / 4, h * 3 / 4), Qt::blue) &&
           near(image.pixel(w / 4, h * 3 / 4), Qt::yellow);
}

QImage withAlpha(QImage image)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(0, 0, 0, 0));
    }
    return image;
}

} // namespace

class TestPictureFormats : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray path(const QString &name) const { return QFile::encodeName(m_dir.filePath(name)); }
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // Skips the whole test case when an encoder is missing.
    void encode(const char *name, const QImage &image, const QString &tool,
                const QStringList &options)
    {
        if (!hasTool(tool))
            QSKIP(qPrintable(tool + QStringLiteral(" is not installed")));
        QVERIFY2(writeWithTool(file(name), image, tool, options), name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QImage q = quadrants(Real.width(), Real.height());
        QVERIFY(write(file("q.png"), q));
        QVERIFY(QFile::copy(file("q.png"), file("UPPER.PNG")));
        QVERIFY(write(file("q.jpg"), q, 95));
        QVERIFY(QFile::copy(file("q.jpg"), file("q.jpe")));
        QVERIFY(QFile::copy(file("q.jpg"), file("q.JFIF")));
        // A second, all-green frame: only the first may be shown.
        QImage green(Real, QImage::Format_RGB32);
        green.fill(Qt::green);
        QVERIFY(writeBytes(file("q.gif"), gifBytes({q, green})));
        const QStringList fast{QStringLiteral("--speed"), QStringLiteral("10")};
        encode("lossy.webp", q, QStringLiteral("cwebp"),
               {QStringLiteral("-q"), QStringLiteral("90")});
        encode("lossless.webp", q, QStringLiteral("cwebp"), {QStringLiteral("-lossless")});
        encode("alpha.webp", withAlpha(q), QStringLiteral("cwebp"), {});
        encode("q.avif", q, QStringLiteral("avifenc"), fast);
        encode("deep.avif", q, QStringLiteral("avifenc"),
               fast + QStringList{QStringLiteral("-d"), QStringLiteral("10")});
        encode("alpha.avif", withAlpha(q), QStringLiteral("avifenc"), fast);
        // Turned a quarter anticlockwise: shown 480 × 640, red bottom-left.
        encode("turned.avif", q, QStringLiteral("avifenc"),
               fast + QStringList{QStringLiteral("--irot"), QStringLiteral("1")});
    }

    void everyModeOfEveryFormat_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name :
             {"q.png", "UPPER.PNG", "q.jpe", "q.JFIF", "q.gif", "lossy.webp", "lossless.webp",
              "alpha.webp", "q.avif", "deep.avif", "alpha.avif"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void everyModeOfEveryFormat()
    {
        QFETCH(QString, name);
        PictureLoader::setGifDecoding(true);
        const QByteArray p = path(name);
        const PictureResult header = PictureLoader::readSize(p);
        QVERIFY2(header.ok, qPrintable(header.error));
        QCOMPARE(header.fullSize, Real);
        QVERIFY(header.image.isNull());

        const PictureResult full = PictureLoader::decodeFull(p);
        QVERIFY2(full.ok, qPrintable(full.error));
        QCOMPARE(full.image.size(), Real);
        QVERIFY(showsQuadrants(full.image));
        if (name.startsWith(QStringLiteral("alpha")))
            QCOMPARE(qAlpha(full.image.pixel(5, 2)), 0);

        // The preview's road: a reduction covering the box and, from the
        // same decode where the format has no cheaper way, the corner.
        const QSize box(150, 110);
        std::atomic_bool cancel{false};
        const DecodedPicture preview = PictureRequest::coverJob(p, box, true)(cancel);
        QVERIFY2(preview.picture.ok, qPrintable(preview.picture.error));
        QCOMPARE(preview.picture.fullSize, Real);
        QCOMPARE(preview.picture.image.size(), QSize(160, 120));
        QVERIFY(showsQuadrants(preview.picture.image));
        const PictureResult corner = PictureLoader::decodeTopLeft(p, box);
        QVERIFY(corner.ok);
        QCOMPARE(corner.image, full.image.copy(QRect(QPoint(0, 0), box)));
        QCOMPARE(preview.corner, corner.image);
        PictureLoader::setGifDecoding(false);
    }

    // By default a GIF keeps its old answer, yet its size can be read.
    void gifDecodesOnlyWhenSwitchedOn()
    {
        const QByteArray gif = path(QStringLiteral("q.gif"));
        QVERIFY(!PictureLoader::gifDecoding());
        for (const PictureResult &refused :
             {PictureLoader::decodeFull(gif), PictureLoader::decodeToCover(gif, QSize(10, 10))}) {
            QVERIFY(!refused.ok);
            QCOMPARE(refused.error, QStringLiteral("拡張子 .gif の画像形式は処理できません"));
        }
        QCOMPARE(PictureLoader::readSize(gif).fullSize, Real);
        PictureLoader::setGifDecoding(true);
        const PictureResult shown = PictureLoader::decodeFull(gif);
        PictureLoader::setGifDecoding(false);
        QVERIFY(shown.ok);
        QVERIFY(showsQuadrants(shown.image)); // the first frame, not the green one
    }

    // Turned by its 'irot', as the size read from the header says; the
    // preview's reduction is turned too.
    void avifTurnIsApplied()
    {
        const QByteArray turned = path(QStringLiteral("turned.avif"));
        QCOMPARE(PictureLoader::readSize(turned).fullSize, Real.transposed());
        const PictureResult full = PictureLoader::decodeFull(turned);
        QVERIFY(full.ok);
        QCOMPARE(full.image.size(), Real.transposed());
        QVERIFY(near(full.image.pixel(100, 600), Qt::red));
        QVERIFY(near(full.image.pixel(380, 40), Qt::blue));
        std::atomic_bool cancel{false};
        const DecodedPicture preview =
            PictureRequest::coverJob(turned, QSize(150, 110), true)(cancel);
        QCOMPARE(preview.picture.image.size(), QSize(240, 320));
        QVERIFY(near(preview.picture.image.pixel(40, 300), Qt::red));
        QCOMPARE(preview.corner, full.image.copy(0, 0, 150, 110));
    }

    // The meta box beyond the first bytes read is reached without reading
    // the box before it.
    void avifHeaderFoundPastALargeBox()
    {
        const QByteArray bytes = fileBytes(file("q.avif"));
        const qsizetype meta = bytes.indexOf("meta") - 4;
        QVERIFY(meta > 0);
        QByteArray padding(200000, '\0');
        padding.replace(0, 8, QByteArray(QByteArray::fromHex("00030d40") + "free"));
        const QString moved = file("moved.avif");
        QVERIFY(writeBytes(moved, bytes.left(meta) + padding + bytes.mid(meta)));
        QCOMPARE(PictureLoader::readSize(QFile::encodeName(moved)).fullSize, Real);
    }

    void damagedFilesGiveTexts_data()
    {
        QTest::addColumn<QString>("name");
        // Bytes kept; -1 cuts inside the (first) picture, -2 overwrites the body.
        QTest::addColumn<int>("keep");
        for (const char *name : {"q.png", "lossy.webp", "lossless.webp", "q.avif", "q.gif"}) {
            for (int keep : {0, 7, 30, -1, -2})
                QTest::addRow("%s %d", name, keep) << QString::fromLatin1(name) << keep;
        }
    }
    void damagedFilesGiveTexts()
    {
        QFETCH(QString, name);
        QFETCH(int, keep);
        QByteArray bytes = fileBytes(m_dir.filePath(name));
        if (keep >= 0)
            bytes.truncate(keep);
        else if (keep == -1)
            bytes.truncate(bytes.size() / 4);
        else
            bytes.replace(60, bytes.size() - 80, QByteArray(bytes.size() - 80, '\x5A'));
        const QByteArray damaged = path(QStringLiteral("damaged_") + name);
        QVERIFY(writeBytes(QFile::decodeName(damaged), bytes));
        PictureLoader::setGifDecoding(true);
        const PictureResult full = PictureLoader::decodeFull(damaged);
        const PictureResult cover = PictureLoader::decodeToCover(damaged, QSize(50, 50));
        PictureLoader::setGifDecoding(false);
        if (keep == -1 && name.endsWith(QStringLiteral(".gif"))) {
            // Like a cut-off JPEG, a cut-off GIF shows the rows that arrived.
            QVERIFY(full.ok);
            QCOMPARE(full.image.size(), Real);
            QVERIFY(near(full.image.pixel(2, 2), Qt::red));
            return;
        }
        for (const PictureResult &result : {full, cover}) {
            QVERIFY(!result.ok);
            QVERIFY(result.image.isNull());
            if (name.endsWith(QStringLiteral(".avif")))
                QVERIFY2(result.error.startsWith(QStringLiteral("AVIF ｴﾗｰ #")),
                         qPrintable(result.error));
            else
                QCOMPARE(result.error, PictureLoader::cannotOpenText(damaged));
        }
    }

    // Over the pixel limit nothing is decoded; a cancelled load reports so.
    void limitAndCancelStopEveryFormat()
    {
        std::atomic_bool cancel{true};
        PictureLoader::setGifDecoding(true);
        for (const char *name : {"q.png", "q.gif", "lossy.webp", "q.avif"}) {
            const QByteArray p = path(QString::fromLatin1(name));
            PictureLoader::setMaxPixels(qint64(Real.width()) * Real.height() - 1);
            const PictureResult refused = PictureLoader::decodeFull(p);
            const PictureResult measured = PictureLoader::readSize(p);
            PictureLoader::setMaxPixels(100'000'000);
            QVERIFY(!refused.ok);
            QCOMPARE(refused.error, PictureLoader::cannotOpenText(p));
            QCOMPARE(refused.fullSize, Real);
            QVERIFY(measured.ok);
            const PictureResult stopped = PictureLoader::decodeFull(p, &cancel);
            QVERIFY(!stopped.ok && stopped.cancelled && stopped.error.isEmpty());
        }
        PictureLoader::setGifDecoding(false);
    }

    void sniffTellsWhatBytesAre_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Format>("format");
        QTest::addColumn<QString>("what");
        auto picture = [&](const char *name, Format format, const char *what) {
            QTest::newRow(name) << fileBytes(file(name)).left(512) << format
                                << QString::fromLatin1(what);
        };
        picture("q.jpg", Format::Jpeg, "image/jpeg");
        picture("q.png", Format::Png, "image/png");
        picture("q.gif", Format::Gif, "image/gif");
        picture("lossy.webp", Format::WebP, "image/webp");
        picture("q.avif", Format::Avif, "image/avif");
        QVERIFY(write(file("s.bmp"), quadrants(8, 8)) && write(file("s.ico"), quadrants(8, 8)));
        picture("s.bmp", Format::Bmp, "image/bmp");
        picture("s.ico", Format::Ico, "image/x-icon");
        const QString html = QStringLiteral("text/html");
        QTest::newRow("doctype") << QByteArray("<!DOCTYPE html><title>x</title>") << Format::None
                                 << html;
        QTest::newRow("bom, blanks, html")
            << QByteArray("\xEF\xBB\xBF \r\n\t<HTML>") << Format::None << html;
        QTest::newRow("utf-16 xml")
            << QByteArray("\xFF\xFE<\0?\0x\0m\0l\0", 12) << Format::None << html;
        QTest::newRow("text") << QByteArray("Not Found\r\nthe page is gone\xE3\x80\x82")
                              << Format::None << QStringLiteral("text/plain");
        QTest::newRow("BM in text") << QByteArray("BMI tables for adults and children")
                                    << Format::None << QStringLiteral("text/plain");
        QTest::newRow("empty") << QByteArray() << Format::None << QStringLiteral("empty");
        QTest::newRow("binary") << QByteArray("\x00\x01\x02\x9F\x00\x10\x05", 7) << Format::None
                                << QStringLiteral("unknown");
        QTest::newRow("heic") << QByteArray::fromHex(
                                     "00000018667479706865696300000000686569636d696631")
                              << Format::None << QStringLiteral("unknown");
    }
    void sniffTellsWhatBytesAre()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Format, format);
        QFETCH(QString, what);
        const PictureLoader::Sniffed sniffed = PictureLoader::sniff(bytes);
        QCOMPARE(sniffed.format, format);
        QCOMPARE(sniffed.what, what);
    }
};

QTEST_GUILESS_MAIN(TestPictureFormats)
#include "test_pictureformats.moc"
