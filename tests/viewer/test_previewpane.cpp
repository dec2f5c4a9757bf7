#include "filebytes.h"
#include "picture/picturerequest.h"
#include "picturefiles.h"
#include "testutils.h"
#include "viewer/previewpane.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace PictureFiles;

class TestPreviewPane : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QByteArray picture(int width, int height, const QString &name = QString())
    {
        const QString path = m_dir.filePath(
            name.isEmpty() ? QStringLiteral("p%1x%2.jpg").arg(width).arg(height) : name);
        if (!QFile::exists(path))
            write(path, quadrants(width, height));
        return QFile::encodeName(path);
    }

    struct Pane
    {
        PreviewPane pane;
        QLabel *frame() const { return pane.findChild<QLabel *>(QStringLiteral("PanelImage")); }
        QLabel *image() const { return pane.findChild<QLabel *>(QStringLiteral("Image")); }
        QCheckBox *check(const char *name) const
        {
            return pane.findChild<QCheckBox *>(QLatin1String(name));
        }
        QString labels() const
        {
            return pane.findChild<QLabel *>(QStringLiteral("LabelWidth"))->text() +
                   QLatin1Char(' ') +
                   pane.findChild<QLabel *>(QStringLiteral("LabelHeight"))->text();
        }
        QSize frameSize() const { return frame()->size(); }
        // Loads and waits until this load has been delivered or dropped.
        bool load(const QByteArray &path)
        {
            pane.LoadPreview(path);
            return waitUntil([this] { return !pane.isLoading(); });
        }
    };

    // A camera picture: a body of one colour with an embedded thumbnail of
    // another, so a test sees which of the two the preview shows.
    QByteArray camera(const QString &name, QColor body, QColor thumbnail, bool damaged = false)
    {
        QImage image(2400, 1600, QImage::Format_RGB32);
        image.fill(body);
        QImage small(240, 160, QImage::Format_RGB32);
        small.fill(thumbnail);
        const QString path = m_dir.filePath(name);
        writeSampledJpeg(path, image, 4, false, exifPayload(jpegBytes(small), false));
        if (damaged) {
            // A marker no decoder knows, just inside the scan's data.
            QByteArray bytes = fileBytes(path);
            const qsizetype sos = bytes.lastIndexOf("\xFF\xDA");
            const int length = uchar(bytes[sos + 2]) << 8 | uchar(bytes[sos + 3]);
            bytes.insert(sos + 2 + length + 16, QByteArrayLiteral("\xFF\xF7\x00\x04\x00\x00"));
            writeBytes(path, bytes);
        }
        return QFile::encodeName(path);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void startsAsDesigned()
    {
        Pane p;
        QVERIFY(p.check("CheckStretch")->isChecked());
        QVERIFY(p.check("CheckHiritsu")->isChecked());
        QVERIFY(p.check("CheckAutoDisp")->isChecked());
        QCOMPARE(p.frame()->text(), QStringLiteral("（画像）"));
        QCOMPARE(p.image()->geometry(), QRect(1, 1, 271, 220));
        QCOMPARE(p.labels(), QStringLiteral("0 0"));
    }

    void fitsTheFrame_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<bool>("keepRatio");
        QTest::addColumn<QSize>("frame");
        QTest::newRow("400x200") << QSize(400, 200) << true << true << QSize(273, 136);
        QTest::newRow("200x400") << QSize(200, 400) << true << true << QSize(144, 288);
        QTest::newRow("300x300") << QSize(300, 300) << true << true << QSize(288, 288);
        QTest::newRow("1024x768") << QSize(1024, 768) << true << true << QSize(273, 204);
        QTest::newRow("768x1024") << QSize(768, 1024) << true << true << QSize(216, 288);
        QTest::newRow("stretch off") << QSize(400, 200) << false << true << QSize(273, 288);
        QTest::newRow("stretch off, ratio off")
            << QSize(200, 400) << false << false << QSize(273, 288);
        QTest::newRow("ratio off") << QSize(1024, 768) << true << false << QSize(273, 288);
    }
    void fitsTheFrame()
    {
        QFETCH(QSize, size);
        QFETCH(bool, stretch);
        QFETCH(bool, keepRatio);
        QFETCH(QSize, frame);
        Pane p;
        p.check("CheckStretch")->setChecked(stretch);
        p.check("CheckHiritsu")->setChecked(keepRatio);
        QVERIFY(p.load(picture(size.width(), size.height())));
        QCOMPARE(p.frameSize(), frame);
        QCOMPARE(p.labels(), QStringLiteral("%1 %2").arg(size.width()).arg(size.height()));
        // The control keeps its bounds; only the frame around it changes.
        QCOMPARE(p.image()->geometry(), QRect(1, 1, 271, 220));
        QCOMPARE(p.image()->hasScaledContents(), stretch);
        QCOMPARE(p.pane.pictureSize(), size);
    }

    // The labels carry the real size while the control holds a reduced decode;
    // with stretch off the control shows unscaled pixels from the top-left.
    void reducedDecodeKeepsRealSize()
    {
        Pane p;
        QVERIFY(p.load(picture(2400, 1200)));
        QCOMPARE(p.labels(), QStringLiteral("2400 1200"));
        QCOMPARE(p.image()->pixmap().size(), QSize(271, 220));
        QVERIFY(near(p.image()->pixmap().toImage().pixel(266, 132), Qt::blue));
        p.check("CheckStretch")->click();
        QCOMPARE(p.image()->pixmap().size(), QSize(271, 220));
        QVERIFY(near(p.image()->pixmap().toImage().pixel(270, 219), Qt::red));
    }

    // Keep-ratio draws the whole picture undistorted into the frame's shape;
    // without it the picture is stretched to the control's bounds.
    void keepRatioShowsTheWholePicture_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("keepRatio");
        QTest::addColumn<QSize>("drawn");
        QTest::newRow("wide logo") << QSize(490, 120) << true << QSize(261, 64);
        QTest::newRow("portrait") << QSize(768, 1024) << true << QSize(165, 220);
        QTest::newRow("ratio off") << QSize(490, 120) << false << QSize(271, 220);
    }
    void keepRatioShowsTheWholePicture()
    {
        QFETCH(QSize, size);
        QFETCH(bool, keepRatio);
        QFETCH(QSize, drawn);
        Pane p;
        p.check("CheckHiritsu")->setChecked(keepRatio);
        QVERIFY(p.load(picture(size.width(), size.height())));
        const QImage shown = p.image()->pixmap().toImage();
        const int right = drawn.width() - 3;
        const int bottom = drawn.height() - 3;
        QVERIFY(near(shown.pixel(2, 2), Qt::red));
        QVERIFY(near(shown.pixel(right, 2), Qt::green));
        QVERIFY(near(shown.pixel(right, bottom), Qt::blue));
        QVERIFY(near(shown.pixel(2, bottom), Qt::yellow));
        if (drawn.width() < 271)
            QCOMPARE(qAlpha(shown.pixel(drawn.width() + 1, 2)), 0);
        if (drawn.height() < 220)
            QCOMPARE(qAlpha(shown.pixel(2, drawn.height() + 1)), 0);
    }

    void stretchRefitsWithoutReading()
    {
        Pane p;
        const QByteArray path = picture(400, 200, QStringLiteral("swap.jpg"));
        QVERIFY(p.load(path));
        QCOMPARE(p.frameSize(), QSize(273, 136));
        // Another picture under the same name: only a reload may show it.
        QVERIFY(write(QFile::decodeName(path), quadrants(300, 600)));

        const int loads = p.pane.loader()->stats().started;
        QCheckBox *stretch = p.check("CheckStretch");
        stretch->click();
        QCoreApplication::processEvents();
        QCOMPARE(p.pane.loader()->stats().started, loads);
        QCOMPARE(p.frameSize(), QSize(273, 288));
        QCOMPARE(p.labels(), QStringLiteral("400 200"));
        QCOMPARE(p.image()->pixmap().size(), QSize(271, 200));
        stretch->click();
        QCoreApplication::processEvents();
        QCOMPARE(p.pane.loader()->stats().started, loads);
        QCOMPARE(p.frameSize(), QSize(273, 136));
        QCOMPARE(p.labels(), QStringLiteral("400 200"));
        QVERIFY(near(p.image()->pixmap().toImage().pixel(1, 1), Qt::red));

        // The ratio box asks for a reload; the owner reloads the entry.
        QSignalSpy reload(&p.pane, &PreviewPane::reloadRequested);
        connect(&p.pane, &PreviewPane::reloadRequested, &p.pane, [&] { p.pane.LoadPreview(path); });
        p.check("CheckHiritsu")->click();
        QCOMPARE(reload.count(), 1);
        QVERIFY(waitUntil([&] { return !p.pane.isLoading(); }));
        QCOMPARE(p.labels(), QStringLiteral("300 600"));
        QCOMPARE(p.frameSize(), QSize(273, 288));
        p.check("CheckHiritsu")->click();
        QVERIFY(waitUntil([&] { return !p.pane.isLoading(); }));
        QCOMPARE(p.frameSize(), QSize(144, 288));
    }

    void failuresLeaveThePreview_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("missing file") << "missing.jpg" << QByteArray();
        QTest::newRow("gif") << "picture.gif" << QByteArrayLiteral("GIF89a\x01\x00\x01\x00");
        QTest::newRow("damaged jpeg")
            << "damaged.jpg" << QByteArrayLiteral("\xFF\xD8\xFF\xE0 broken");
        QTest::newRow("wmf") << "clip.wmf" << QByteArrayLiteral("\xD7\xCD\xC6\x9A");
    }
    void failuresLeaveThePreview()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(name);
        if (!bytes.isEmpty())
            QVERIFY(writeBytes(path, bytes));
        Pane p;
        QVERIFY(p.load(picture(1024, 768)));
        const QImage before = p.image()->pixmap().toImage();
        QSignalSpy shown(&p.pane, &PreviewPane::pictureShown);
        QVERIFY(p.load(QFile::encodeName(path)));
        QCOMPARE(shown.count(), 0);
        QCOMPARE(p.frameSize(), QSize(273, 204));
        QCOMPARE(p.labels(), QStringLiteral("1024 768"));
        QCOMPARE(p.image()->pixmap().toImage(), before);
        QCOMPARE(p.pane.picturePath(), picture(1024, 768));
    }

    // The thumbnail shows at once with the picture's own size, then the
    // decode replaces it; of two quick clicks only the second is shown.
    void thumbnailFirstThenTheDecode()
    {
        Pane p;
        QList<QRgb> thumbnails;
        QStringList labels;
        connect(&p.pane, &PreviewPane::thumbnailShown, this, [&] {
            thumbnails << p.image()->pixmap().toImage().pixel(50, 50);
            labels << p.labels();
        });
        QVERIFY(p.load(camera(QStringLiteral("cam1.jpg"), Qt::red, Qt::blue)));
        QCOMPARE(thumbnails.size(), 1);
        QVERIFY(near(thumbnails[0], Qt::blue));
        QCOMPARE(labels, QStringList{QStringLiteral("2400 1600")});
        QVERIFY(near(p.image()->pixmap().toImage().pixel(50, 50), Qt::red));
        QCOMPARE(p.frameSize(), QSize(273, 182));

        p.pane.LoadPreview(camera(QStringLiteral("cam2.jpg"), Qt::red, Qt::blue));
        p.pane.LoadPreview(camera(QStringLiteral("cam3.jpg"), Qt::yellow, Qt::green));
        QVERIFY(waitUntil([&] { return !p.pane.isLoading(); }));
        QCOMPARE(thumbnails.size(), 2);
        QVERIFY(near(thumbnails[1], Qt::green));
        QVERIFY(near(p.image()->pixmap().toImage().pixel(50, 50), Qt::yellow));

        // Unstretched the real pixels are wanted: no thumbnail stage.
        p.check("CheckStretch")->click();
        QVERIFY(p.load(camera(QStringLiteral("cam4.jpg"), Qt::red, Qt::blue)));
        QCOMPARE(thumbnails.size(), 2);
    }

    // The body cannot be decoded after its thumbnail stood in: the preview
    // returns to the picture it showed before.
    void failedDecodeAfterTheThumbnailRestores()
    {
        Pane p;
        QVERIFY(p.load(picture(1024, 768)));
        const QImage before = p.image()->pixmap().toImage();
        QSignalSpy thumbnail(&p.pane, &PreviewPane::thumbnailShown);
        QSignalSpy shown(&p.pane, &PreviewPane::pictureShown);
        QVERIFY(p.load(camera(QStringLiteral("broken.jpg"), Qt::red, Qt::blue, true)));
        QCOMPARE(thumbnail.count(), 1);
        QCOMPARE(shown.count(), 0);
        QCOMPARE(p.image()->pixmap().toImage(), before);
        QCOMPARE(p.labels(), QStringLiteral("1024 768"));
        QCOMPARE(p.frameSize(), QSize(273, 204));
        QCOMPARE(p.pane.picturePath(), picture(1024, 768));
    }

    // A newer request makes the older one stale: a slow first picture that
    // finishes after a quick second one is never shown.
    void staleResultsAreNeverShown()
    {
        Pane p;
        const QByteArray slow = picture(4000, 3000);
        const QByteArray quick = picture(200, 400);
        QSignalSpy shown(&p.pane, &PreviewPane::pictureShown);
        p.pane.LoadPreview(slow);
        p.pane.LoadPreview(quick);
        QVERIFY(waitUntil([&] {
            const PictureRequest::Stats s = p.pane.loader()->stats();
            return s.delivered + s.dropped == s.started;
        }));
        QCOMPARE(shown.count(), 1);
        QCOMPARE(p.labels(), QStringLiteral("200 400"));
        QCOMPARE(p.pane.loader()->stats().dropped, 1);
    }
};

QTEST_MAIN(TestPreviewPane)
#include "test_previewpane.moc"
