#include "picture/pictureloader.h"
#include "picture/thumbnailcache.h"
#include "picturefiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace PictureFiles;

namespace {

// The "F" in the eight orientations, as exiftool wrote them (goexif's samples).
const QString Samples =
    QStringLiteral("/usr/share/gocode/src/github.com/rwcarlsen/goexif/exif/samples");

int modeOf(const QString &path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// Mean difference per channel: JPEG noise stays well below 20, a wrong turn
// of the "F" far above.
double difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum +=
                qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace

class TestThumbnailCache : public QObject
{
    Q_OBJECT

    QTemporaryDir m_cache;
    QTemporaryDir m_dir;
    QString root() const { return m_cache.path() + QStringLiteral("/thumbnails"); }

private slots:
    void initTestCase()
    {
        // Never the user's own cache.
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache.path()));
        QCOMPARE(ThumbnailCache::defaultRoot(), root());
    }

    void namesFollowTheStandard()
    {
        // The standard's own example, and bytes a name may hold.
        const QByteArray uri = ThumbnailCache::uriOf("/home/jens/photos/me.png");
        QCOMPARE(uri, QByteArray("file:///home/jens/photos/me.png"));
        QCOMPARE(ThumbnailCache::fileNameOf(uri),
                 QStringLiteral("c6ee772d9e49320e97ec29a7eb5b1697.png"));
        QCOMPARE(ThumbnailCache::uriOf("/a//b/./c d/../%\xff;.png"),
                 QByteArray("file:///a/b/%25%FF%3B.png"));
    }

    // A decode writes a thumbnail valid by the standard; the next view reads
    // it and decodes nothing.
    void writtenThenReadWithoutDecoding()
    {
        const QString path = m_dir.path() + QStringLiteral("/four.png");
        QVERIFY(write(path, quadrants(800, 600)));
        const QByteArray native = QFile::encodeName(path);
        const PictureResult first =
            ThumbnailCache::coverThroughCache(native, QSize(100, 100), nullptr);
        QVERIFY(first.ok);
        QCOMPARE(first.source, PictureResult::Source::Decoded);

        // A 4:3 picture's 128 class is 96 high, short of the cell: the
        // 256 class is written.
        const QString file = ThumbnailCache().thumbnailPath(1, native);
        QImageReader reader(file, "png");
        QCOMPARE(reader.format(), QByteArray("png"));
        const QImage written = reader.read();
        QCOMPARE(written.size(), QSize(256, 192));
        QCOMPARE(written.text(QStringLiteral("Thumb::URI")).toLatin1(),
                 ThumbnailCache::uriOf(native));
        QCOMPARE(written.text(QStringLiteral("Thumb::MTime")),
                 QString::number(QFileInfo(path).lastModified().toSecsSinceEpoch()));
        QCOMPARE(written.text(QStringLiteral("Thumb::Size")),
                 QString::number(QFileInfo(path).size()));
        QVERIFY(!written.text(QStringLiteral("Software")).isEmpty());
        QCOMPARE(modeOf(file), 0600);
        QCOMPARE(modeOf(root()), 0700);
        QCOMPARE(modeOf(root() + QStringLiteral("/large")), 0700);
        QCOMPARE(QDir(root() + QStringLiteral("/large")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(file).fileName()});

        const quint64 decodes = PictureLoader::pixelDecodes();
        const PictureResult again =
            ThumbnailCache::coverThroughCache(native, QSize(100, 100), nullptr);
        QCOMPARE(PictureLoader::pixelDecodes(), decodes);
        QCOMPARE(again.source, PictureResult::Source::Cached);
        QCOMPARE(again.fullSize, QSize(800, 600));
        QVERIFY(near(again.image.pixel(10, 10), Qt::red));
        QVERIFY(near(again.image.pixel(again.image.width() - 10, again.image.height() - 10),
                     QColor(Qt::blue)));

        // Changed since: the thumbnail is stale, the picture decoded anew.
        QVERIFY(write(path, QImage(quadrants(600, 800)).mirrored(true, false)));
        QFile touched(path);
        QVERIFY(touched.open(QIODevice::ReadWrite));
        QVERIFY(touched.setFileTime(QDateTime::currentDateTime().addSecs(10),
                                    QFileDevice::FileModificationTime));
        touched.close();
        const PictureResult changed =
            ThumbnailCache::coverThroughCache(native, QSize(100, 100), nullptr);
        QCOMPARE(changed.source, PictureResult::Source::Decoded);
        QCOMPARE(changed.fullSize, QSize(600, 800));
        QVERIFY(near(changed.image.pixel(10, 10), Qt::green));
        QCOMPARE(ThumbnailCache::coverThroughCache(native, QSize(100, 100), nullptr).source,
                 PictureResult::Source::Cached);
    }

    // A picture that fails is noted and not tried again until it changes.
    void failureIsNotedUntilTheFileChanges()
    {
        const QString path = m_dir.path() + QStringLiteral("/broken.png");
        QVERIFY(writeBytes(path, QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(300, 'x')));
        const QByteArray native = QFile::encodeName(path);
        const PictureResult first =
            ThumbnailCache::coverThroughCache(native, QSize(50, 50), nullptr);
        QVERIFY(!first.ok && !first.error.isEmpty());
        QVERIFY(QFile::exists(ThumbnailCache().failurePath(native)));
        QVERIFY(
            ThumbnailCache().failurePath(native).contains(QStringLiteral("/fail/vellisk-1.0/")));

        const quint64 decodes = PictureLoader::pixelDecodes();
        const PictureResult again =
            ThumbnailCache::coverThroughCache(native, QSize(50, 50), nullptr);
        QCOMPARE(PictureLoader::pixelDecodes(), decodes);
        QCOMPARE(again.error, first.error);

        QVERIFY(write(path, quadrants(64, 64)));
        QFile touched(path);
        QVERIFY(touched.open(QIODevice::ReadWrite));
        QVERIFY(touched.setFileTime(QDateTime::currentDateTime().addSecs(10),
                                    QFileDevice::FileModificationTime));
        touched.close();
        QVERIFY(ThumbnailCache::coverThroughCache(native, QSize(50, 50), nullptr).ok);
    }

    // The eight orientations of the same "F", each shown upright: whole,
    // reduced and as a corner. Switched off, the stored picture shows, and
    // the size the crawl checks read stays the stored one.
    void orientationsShowUpright_data()
    {
        QTest::addColumn<int>("orientation");
        for (int i = 1; i <= 8; ++i)
            QTest::addRow("%d", i) << i;
    }
    void orientationsShowUpright()
    {
        QFETCH(int, orientation);
        const QByteArray path =
            QFile::encodeName(Samples + QStringLiteral("/f%1-exif.jpg").arg(orientation));
        const QByteArray reference = QFile::encodeName(Samples + QStringLiteral("/f1-exif.jpg"));
        if (!QFile::exists(QFile::decodeName(path)))
            QSKIP("the goexif samples are not installed (scripts/install-deps.sh)");
        const QImage upright = PictureLoader::decodeFull(reference).image;
        QCOMPARE(upright.size(), QSize(40, 80));

        PictureLoader::setUprightDisplay(true);
        const PictureResult full = PictureLoader::decodeFull(path);
        const PictureResult corner = PictureLoader::decodeTopLeft(path, QSize(20, 30));
        const PictureResult cover = PictureLoader::decodeToCover(path, QSize(20, 40));
        const QSize stored = PictureLoader::readSize(path).fullSize;
        PictureLoader::setUprightDisplay(false);
        const PictureResult asStored = PictureLoader::decodeFull(path);

        QCOMPARE(full.fullSize, QSize(40, 80));
        QVERIFY2(difference(full.image, upright) < 20, "whole");
        QVERIFY2(difference(corner.image, upright.copy(0, 0, 20, 30)) < 20, "corner");
        QCOMPARE(cover.fullSize, QSize(40, 80));
        QVERIFY2(difference(cover.image, upright.scaled(cover.image.size(), Qt::IgnoreAspectRatio,
                                                        Qt::SmoothTransformation)) < 30,
                 "reduced");
        const QSize storedSize = orientation >= 5 ? QSize(80, 40) : QSize(40, 80);
        QCOMPARE(stored, storedSize);
        QCOMPARE(asStored.fullSize, storedSize);
        QCOMPARE(orientation == 1, difference(asStored.image, upright) < 20);
    }

    // A camera's picture with orientation 6: its embedded thumbnail turns
    // with it, and the shared thumbnail is kept upright whatever the display.
    void thumbnailsTurnWithThePicture()
    {
        QByteArray exif = exifPayload(jpegBytes(quadrants(160, 120)), false);
        exif[24] = 6; // IFD0's orientation entry
        const QString path = m_dir.path() + QStringLiteral("/camera.jpg");
        QVERIFY(writeSampledJpeg(path, quadrants(400, 300), 2, false, exif));
        const QByteArray native = QFile::encodeName(path);
        PictureLoader::setUprightDisplay(true);
        const PictureResult turned = PictureLoader::readThumbnail(native);
        PictureLoader::setUprightDisplay(false);
        QVERIFY(turned.ok);
        QCOMPARE(turned.fullSize, QSize(300, 400));
        QCOMPARE(turned.image.size(), QSize(120, 160));
        QVERIFY(near(turned.image.pixel(5, 5), Qt::yellow)); // the stored bottom-left

        const PictureResult decoded = PictureLoader::decodeToCover(native, QSize(128, 128));
        const ThumbnailCache cache;
        QVERIFY(cache.remember(native, *ThumbnailCache::stampOf(native), decoded));
        const QImage kept(cache.thumbnailPath(0, native));
        QCOMPARE(kept.size(), QSize(96, 128));
        QVERIFY(near(kept.pixel(5, 5), Qt::yellow));
        const PictureResult found = cache.find(native, QSize(32, 32));
        QCOMPARE(found.source, PictureResult::Source::Cached);
        QCOMPARE(found.fullSize, QSize(400, 300));
        QVERIFY(near(found.image.pixel(5, 5), Qt::red));
    }
};

QTEST_APPLESS_MAIN(TestThumbnailCache)
#include "test_thumbnailcache.moc"
