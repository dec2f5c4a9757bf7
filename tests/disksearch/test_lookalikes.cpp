// Look-alikes among real photographs: the camera thumbnails of the goexif test
// pictures the set-up installs, enlarged to photographs of their own, each
// with copies rescaled, re-encoded at another quality and lightly cropped.
#include "disksearch/lookalikefinder.h"
#include "disksearch/resultentry.h"
#include "disksearch/resultlistpane.h"
#include "picture/exifthumbnail.h"
#include "picturefiles.h"
#include "run/runcontroller.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"
#include "testutils.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Samples =
    QStringLiteral("/usr/share/gocode/src/github.com/rwcarlsen/goexif/exif/samples/");

// Photographs that differ in subject: a landscape, a temple, streets, rooms.
const char *const Sources[] = {
    "2009-04-11-03-01-38-sep-2009-04-11-03-01-38a.jpg",
    "2012-12-19-21-38-40-sep-temple_square1.jpg",
    "2007-02-02-18-13-29-sep-2007-02-02-18-13-29a.jpg",
    "2012-06-02-10-12-28-sep-2012-06-02-10-12-28.jpg",
    "2006-12-17-07-09-14-sep-2006-12-17-07-09-14a.jpg",
    "2009-04-23-07-21-35-sep-2009-04-23-07-21-35a.jpg",
};

struct PhotoSet
{
    QTemporaryDir dir;
    std::vector<QByteArray> files;
    std::vector<int> photoOf; // which photograph each file shows
    QList<QByteArray> copies; // every file but the originals
};

// Each photograph: the original (480 wide, with its thumbnail embedded as a
// camera does), half its size, at quality 40, and cropped by 1 % a side.
bool makePhotos(PhotoSet &set)
{
    int photo = 0;
    for (const char *source : Sources) {
        // The samples keep the Exif block alone: the thumbnail is the picture.
        QFile sample(Samples + QLatin1String(source));
        const QByteArray bytes = sample.open(QIODevice::ReadOnly) ? sample.readAll() : QByteArray();
        const std::optional<ExifThumbnail::Location> at = ExifThumbnail::locateInFile(bytes);
        const QImage thumbnail =
            at ? QImage::fromData(bytes.mid(at->fileOffset(), at->length)) : QImage();
        if (thumbnail.isNull())
            return false;
        const QImage original = thumbnail.convertToFormat(QImage::Format_RGB32)
                                    .scaledToWidth(480, Qt::SmoothTransformation);
        const QSize size = original.size();
        const QRect crop(size.width() / 100, size.height() / 100, size.width() * 49 / 50,
                         size.height() * 49 / 50);
        const QString stem = set.dir.filePath(QString::number(photo));
        const QByteArray exif = PictureFiles::exifPayload(
            PictureFiles::jpegBytes(original.scaledToWidth(160, Qt::SmoothTransformation)), false);
        const bool ok = PictureFiles::writeSampledJpeg(stem + QStringLiteral("a.jpg"), original, 2,
                                                       false, exif) &&
                        PictureFiles::write(stem + QStringLiteral("b.jpg"),
                                            original.scaled(size / 2, Qt::IgnoreAspectRatio,
                                                            Qt::SmoothTransformation)) &&
                        PictureFiles::write(stem + QStringLiteral("c.jpg"), original, 40) &&
                        PictureFiles::write(stem + QStringLiteral("d.jpg"), original.copy(crop));
        if (!ok)
            return false;
        for (const char *kind : {"a", "b", "c", "d"}) {
            set.files.push_back(
                QFile::encodeName(stem + QLatin1String(kind) + QStringLiteral(".jpg")));
            set.photoOf.push_back(photo);
            if (*kind != 'a')
                set.copies.append(set.files.back());
        }
        ++photo;
    }
    return true;
}

} // namespace

class TestLookAlikes : public QObject
{
    Q_OBJECT

private slots:
    void copiesGroupWithTheirPhotograph();
    void commandSelectsCopiesAndStopCancels();
};

void TestLookAlikes::copiesGroupWithTheirPhotograph()
{
    PhotoSet set;
    QVERIFY(makePhotos(set));
    const LookAlikeResult result = LookAlikeFinder::find(set.files, {});
    std::vector<std::vector<int>> expected;
    for (int photo = 0; photo < int(std::size(Sources)); ++photo)
        expected.push_back({photo * 4, photo * 4 + 1, photo * 4 + 2, photo * 4 + 3});
    QCOMPARE(result.groups, expected);
    QCOMPARE(result.copies, set.copies);
    QCOMPARE(result.newHashes.size(), qsizetype(set.files.size()));

    // A hash already known is taken while the file is unchanged.
    LookAlikeFinder::Known known = result.newHashes;
    known[QFile::decodeName(set.files[0])].hash = ~known[QFile::decodeName(set.files[0])].hash;
    const LookAlikeResult again = LookAlikeFinder::find(set.files, known);
    QVERIFY(again.newHashes.isEmpty());
    QCOMPARE(again.groups.size(), expected.size());
    QCOMPARE(again.groups.front(), (std::vector<int>{1, 2, 3}));
}

// The command of the list's pop-up menu selects the copies; started again,
// the stop command cancels it and nothing is selected.
void TestLookAlikes::commandSelectsCopiesAndStopCancels()
{
    PhotoSet set;
    QVERIFY(makePhotos(set));
    ConfigSandbox sandbox;
    const std::unique_ptr<AppWindows> windows = createWindows();
    TFormMain *main = windows->main();
    ResultListPane *pane = main->resultList();
    for (const QByteArray &file : set.files)
        pane->appendEntry(ResultEntry::format(0, 1, file));
    auto *popup = pane->findChild<QMenu *>(QStringLiteral("PopupDelete"));
    popup->findChild<QAction *>(QStringLiteral("SelectLookAlikes1"))->trigger();
    QVERIFY(main->busyIndicator() == TFormMain::ImageBusy);
    QVERIFY(waitUntil([&] { return main->busyIndicator() == TFormMain::ImageIdle; }, 20000));
    QList<QByteArray> selected;
    for (const int row : pane->selectedIndexes())
        selected.append(pane->EntryFileName(row));
    QCOMPARE(selected, set.copies);
    const auto panel0 = [main] {
        return main->findChild<QLabel *>(QStringLiteral("STB_0"))->text();
    };
    QCOMPARE(panel0(), QStringLiteral("似た画像 : 6 組 18 件"));

    // Many files, so that the stop comes while it works.
    pane->listView()->clearSelection();
    for (int i = 0; i < 20; ++i) {
        for (const QByteArray &file : set.files)
            pane->appendEntry(ResultEntry::format(0, 1, file));
    }
    main->findChild<QAction *>(QStringLiteral("SelectLookAlikes"))->trigger();
    main->BtStopClick();
    QCOMPARE(main->busyIndicator(), int(TFormMain::ImageIdle));
    QCOMPARE(panel0(), QStringLiteral("似た画像 : 中止"));
    QTest::qWait(500);
    QVERIFY(pane->selectedIndexes().isEmpty());
    QCOMPARE(main->runController()->state(), RunController::State::Idle);
}

QTEST_MAIN(TestLookAlikes)
#include "test_lookalikes.moc"
