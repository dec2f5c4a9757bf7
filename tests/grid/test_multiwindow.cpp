#include "components/extarr.h"
#include "components/stdarr.h"
#include "disksearch/resultentry.h"
#include "disksearch/resultlistpane.h"
#include "picture/ordereddecoder.h"
#include "picture/pictureloader.h"
#include "picturefiles.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"
#include "testutils.h"
#include "viewer/tformmulti.h"
#include "viewer/tformsetteimulti.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

struct Run
{
    std::unique_ptr<ConfigSandbox> config;
    std::unique_ptr<AppWindows> windows;
    TFormMain *main() const { return windows->main(); }
    TFormMulti *multi() const { return windows->multi(); }
    TFormSetteiMulti *dialog() const { return windows->setteiMulti(); }
    template <typename T> T *dialogChild(const char *name) const
    {
        return dialog()->findChild<T *>(QLatin1String(name));
    }
};

Run start(std::unique_ptr<ConfigSandbox> config = nullptr)
{
    Run run;
    run.config = config ? std::move(config) : std::make_unique<ConfigSandbox>();
    run.windows = createWindows();
    return run;
}

TImageControl *cellImage(const Run &run, int i)
{
    return run.multi()->arImage()->Image(i);
}

QLabel *cellTitle(const Run &run, int i)
{
    return run.multi()->arLabel()->Label(i);
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) < 12 && qAbs(a.green() - b.green()) < 12 &&
           qAbs(a.blue() - b.blue()) < 12;
}

QColor cellColor(const Run &run, int i)
{
    const QImage picture = cellImage(run, i)->picture();
    return picture.isNull() ? QColor()
                            : picture.pixelColor(picture.width() / 2, picture.height() / 2);
}

} // namespace

class TestMultiWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray writeJpeg(const QString &name, QColor color, QSize size = QSize(80, 60))
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(color);
        const QString path = m_dir.filePath(name);
        if (!image.save(path, "JPEG", 95))
            qWarning("cannot write %s", qPrintable(path));
        return QFile::encodeName(path);
    }
    QByteArray writeBytes(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_dir.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return QFile::encodeName(file.fileName());
    }

    // Lists the paths, selects them all and runs the table command; returns
    // the text of the message box the fill showed, if any.
    QString fill(const Run &run, const QList<QByteArray> &paths, bool *shown = nullptr)
    {
        ResultListPane *list = run.main()->resultList();
        list->clear();
        for (const QByteArray &path : paths)
            list->appendEntry(ResultEntry::format(0, 1234, path));
        for (int i = 0; i < paths.size(); ++i)
            list->selectEntry(i);
        // Any box the fill shows is read and closed while the fill runs.
        QString message;
        QTimer watcher;
        watcher.setInterval(5);
        connect(&watcher, &QTimer::timeout, this, [&message] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                message = box->text();
                box->accept();
            }
        });
        watcher.start();
        QSignalSpy finished(run.multi(), &TFormMulti::fillFinished);
        run.main()->findChild<QAction *>(QStringLiteral("T3"))->trigger();
        if (!finished.wait(15000))
            qWarning("the fill did not end");
        watcher.stop();
        if (shown != nullptr)
            *shown = !finished.isEmpty() && finished.first().first().toBool();
        return message;
    }

    void setLayout(const Run &run, int size, int hiritsu, const QString &rows,
                   const QString &columns, bool titles, int title)
    {
        run.dialogChild<QScrollBar>("ScrollSize")->setValue(size);
        run.dialogChild<QScrollBar>("ScrollHiritsu")->setValue(hiritsu);
        run.dialogChild<QLineEdit>("EditGyou")->setText(rows);
        run.dialogChild<QLineEdit>("EditRetsu")->setText(columns);
        run.dialogChild<QCheckBox>("CheckTitle")->setChecked(titles);
        run.dialogChild<QScrollBar>("ScrollTitle")->setValue(title);
    }

    QString redisplay(const Run &run)
    {
        return textOfMessageBoxFrom([&] { run.dialogChild<QPushButton>("Button1")->click(); });
    }

    QList<QRect> cellGeometry(const Run &run)
    {
        QList<QRect> rects;
        for (int i = 0; i < TFormMulti::CellCount; ++i)
            rects << cellImage(run, i)->geometry() << cellTitle(run, i)->geometry();
        return rects;
    }

private slots:
    void windowsHaveTheirControls();
    void noSelectionAsksForOne();
    void fillLoadsCellsInOrderAndSkipsGif();
    void sixtyOneEntriesWithALeadingGif();
    void todaysFormatsFillCells();
    void failureStopsTheFill_data();
    void failureStopsTheFill();
    void cellsAreDecodedReducedWithTheStretchOfThePreview();
    void unstretchedCellsShowTheRealCorner();
    void cellsComeFromCameraThumbnails();
    void layoutFollowsTheDialog_data();
    void layoutFollowsTheDialog();
    void badRowsOrColumnsLeaveTheLayout_data();
    void badRowsOrColumnsLeaveTheLayout();
    void redisplayOnAHiddenWindow();
    void cellWithoutWidthIsEmpty();
    void storedValuesComeBack();
    void storedScrollValuesAreBroughtIntoRange();
    void menusOpenAndClose();
};

void TestMultiWindow::windowsHaveTheirControls()
{
    const Run run = start();
    TFormMulti *multi = run.multi();
    QCOMPARE(multi->windowTitle(), QStringLiteral("マルチテーブル表示"));
    QCOMPARE(multi->arImage()->NumOfArry(), 60);
    QCOMPARE(multi->arLabel()->NumOfArry(), 60);
    QCOMPARE(multi->arImage()->ArryParent(), multi->clientArea());
    for (int i = 0; i < 60; ++i) {
        QCOMPARE(cellImage(run, i)->objectName(), QStringLiteral("ArImage1_%1").arg(i + 1));
        QCOMPARE(cellTitle(run, i)->objectName(), QStringLiteral("ArLabel1_%1").arg(i + 1));
        QVERIFY(cellTitle(run, i)->text().isEmpty());
        QVERIFY(multi->arImage()->Collection().Items(i)->EventSeted);
    }
    QCOMPARE(multi->findChild<TArImage *>(QStringLiteral("ArImage")), multi->arImage());
    QCOMPARE(multi->findChild<TArLabel *>(QStringLiteral("ArLabel")), multi->arLabel());
    QCOMPARE(multi->findChild<QAction *>(QStringLiteral("S1"))->text(), QStringLiteral("設定(&S)"));
    QCOMPARE(multi->findChild<QAction *>(QStringLiteral("C1"))->text(),
             QStringLiteral("閉じる(&C)"));
    QVERIFY(multi->findChild<QMenuBar *>(QStringLiteral("MainMenu1")) != nullptr);

    TFormSetteiMulti *dialog = run.dialog();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("マルチ画面 設定"));
    const QList<std::pair<const char *, QString>> texts{
        {"Label5", QStringLiteral("サイズ")},  {"Label1", QStringLiteral("縦")},
        {"Label2", QStringLiteral("行")},      {"Label3", QStringLiteral("横")},
        {"Label4", QStringLiteral("列")},      {"Label7", QStringLiteral("比率")},
        {"Label6", QStringLiteral("幅")},      {"LabelSize", QStringLiteral("100")},
        {"LabelHiritsu", QStringLiteral("0")}, {"LabelTitle", QStringLiteral("20")}};
    for (const auto &[name, text] : texts)
        QCOMPARE(run.dialogChild<QLabel>(name)->text(), text);
    QCOMPARE(run.dialogChild<QCheckBox>("CheckTitle")->text(), QStringLiteral("タイトル表示"));
    QCOMPARE(run.dialogChild<QPushButton>("Button1")->text(), QStringLiteral("再表示(&R)"));
    QVERIFY(run.dialogChild<QPushButton>("BitBtnShuuryou") != nullptr);
    auto *size = run.dialogChild<QScrollBar>("ScrollSize");
    auto *hiritsu = run.dialogChild<QScrollBar>("ScrollHiritsu");
    auto *title = run.dialogChild<QScrollBar>("ScrollTitle");
    QCOMPARE(std::make_tuple(size->minimum(), size->maximum(), size->orientation()),
             std::make_tuple(0, 400, Qt::Horizontal));
    QCOMPARE(std::make_tuple(hiritsu->minimum(), hiritsu->maximum()), std::make_tuple(-100, 100));
    QCOMPARE(std::make_tuple(title->minimum(), title->maximum(), title->orientation()),
             std::make_tuple(0, 80, Qt::Vertical));

    // The blue labels follow their bars.
    for (const char *name : {"LabelSize", "LabelHiritsu", "LabelTitle"})
        QCOMPARE(run.dialogChild<QLabel>(name)->palette().color(QPalette::WindowText),
                 QColor(Qt::blue));
    size->setValue(250);
    hiritsu->setValue(-35);
    title->setValue(61);
    QCOMPARE(run.dialogChild<QLabel>("LabelSize")->text(), QStringLiteral("250"));
    QCOMPARE(run.dialogChild<QLabel>("LabelHiritsu")->text(), QStringLiteral("-35"));
    QCOMPARE(run.dialogChild<QLabel>("LabelTitle")->text(), QStringLiteral("61"));

    auto *table = run.main()->findChild<QToolButton *>(QStringLiteral("BtTable"));
    QVERIFY(table != nullptr);
    QCOMPARE(table->toolTip(), QStringLiteral("画像をテーブルで一覧表示"));
}

void TestMultiWindow::noSelectionAsksForOne()
{
    const Run run = start();
    run.main()->resultList()->appendEntry(
        ResultEntry::format(0, 1, writeJpeg(QStringLiteral("lonely.jpg"), Qt::red)));
    const QString text = textOfMessageBoxFrom(
        [&] { run.main()->findChild<QToolButton *>(QStringLiteral("BtTable"))->click(); });
    QCOMPARE(text, QStringLiteral("リストを選択してください"));
    QVERIFY(!run.multi()->isVisible());
    QVERIFY(!run.multi()->isFilling());
}

void TestMultiWindow::fillLoadsCellsInOrderAndSkipsGif()
{
    const Run run = start();
    const QByteArray a = writeJpeg(QStringLiteral("a.jpg"), Qt::red);
    const QByteArray b = writeJpeg(QStringLiteral("b.JPEG"), Qt::green);
    const QByteArray c = writeJpeg(QStringLiteral("c.jpg"), Qt::blue);
    bool shown = false;
    QCOMPARE(fill(run, {a, b, c}, &shown), QString());
    QVERIFY(shown);
    QVERIFY(run.multi()->isVisible());
    QCOMPARE(cellTitle(run, 0)->text(), QStringLiteral("a.jpg"));
    QCOMPARE(cellTitle(run, 1)->text(), QStringLiteral("b.JPEG"));
    QCOMPARE(cellTitle(run, 2)->text(), QStringLiteral("c.jpg"));
    QVERIFY(near(cellColor(run, 0), Qt::red));
    QVERIFY(near(cellColor(run, 1), Qt::green));
    QVERIFY(near(cellColor(run, 2), Qt::blue));
    QVERIFY(!cellImage(run, 3)->hasPicture());

    // The GIF in the middle takes cell 1 and loads nothing into it.
    const QByteArray d = writeJpeg(QStringLiteral("d.jpg"), Qt::yellow);
    const QByteArray gif = writeBytes(QStringLiteral("anim.GIF"), "GIF89a");
    const QByteArray e = writeJpeg(QStringLiteral("e.jpg"), Qt::magenta);
    QCOMPARE(fill(run, {d, gif, e}, &shown), QString());
    QVERIFY(shown);
    QCOMPARE(cellTitle(run, 0)->text(), QStringLiteral("d.jpg"));
    QCOMPARE(cellTitle(run, 1)->text(), QStringLiteral("b.JPEG"));
    QCOMPARE(cellTitle(run, 2)->text(), QStringLiteral("e.jpg"));
    QVERIFY(near(cellColor(run, 0), Qt::yellow));
    QVERIFY(near(cellColor(run, 1), Qt::green));
    QVERIFY(near(cellColor(run, 2), Qt::magenta));

    // With GIFs shown, a GIF's cell shows its first frame.
    QImage cyan(40, 30, QImage::Format_RGB32);
    cyan.fill(Qt::cyan);
    const QByteArray shownGif =
        writeBytes(QStringLiteral("shown.gif"), PictureFiles::gifBytes({cyan}));
    PictureLoader::setGifDecoding(true);
    const QString error = fill(run, {d, shownGif, e}, &shown);
    PictureLoader::setGifDecoding(false);
    QCOMPARE(error, QString());
    QCOMPARE(cellTitle(run, 1)->text(), QStringLiteral("shown.gif"));
    QVERIFY(near(cellColor(run, 1), Qt::cyan));
}

// PNG, WebP and AVIF (made by the real encoders) fill their cells like JPEG.
void TestMultiWindow::todaysFormatsFillCells()
{
    const Run run = start();
    const std::pair<const char *, QColor> pictures[] = {
        {"a.png", Qt::red}, {"b.webp", Qt::green}, {"c.avif", Qt::blue}, {"d.jpg", Qt::yellow}};
    QList<QByteArray> paths;
    for (const auto &[name, color] : pictures) {
        QImage image(320, 240, QImage::Format_RGB32);
        image.fill(color);
        const QString path = m_dir.filePath(QLatin1String(name));
        const QString suffix = QFileInfo(path).suffix();
        const bool written =
            suffix == QLatin1String("webp")
                ? PictureFiles::writeWithTool(path, image, QStringLiteral("cwebp"))
            : suffix == QLatin1String("avif")
                ? PictureFiles::writeWithTool(path, image, QStringLiteral("avifenc"))
                : image.save(path);
        QVERIFY2(written, name);
        paths.append(QFile::encodeName(path));
    }
    QCOMPARE(fill(run, paths), QString());
    for (int i = 0; i < int(std::size(pictures)); ++i) {
        QCOMPARE(cellTitle(run, i)->text(), QLatin1String(pictures[i].first));
        QVERIFY2(near(cellColor(run, i), pictures[i].second), pictures[i].first);
    }
    grabForReview(run.multi(), QStringLiteral("grid-png-webp-avif"));
}

void TestMultiWindow::sixtyOneEntriesWithALeadingGif()
{
    const Run run = start();
    QList<QByteArray> paths{writeBytes(QStringLiteral("first.gif"), "GIF89a")};
    for (int i = 2; i <= 61; ++i)
        paths.append(writeJpeg(QStringLiteral("n%1.jpg").arg(i), QColor(i * 4, 0, 255 - i * 4)));
    bool shown = false;
    QCOMPARE(fill(run, paths, &shown), QString());
    QVERIFY(shown);
    QVERIFY(cellTitle(run, 0)->text().isEmpty());
    QVERIFY(!cellImage(run, 0)->hasPicture());
    for (int cell = 1; cell < 60; ++cell) {
        QCOMPARE(cellTitle(run, cell)->text(), QStringLiteral("n%1.jpg").arg(cell + 1));
        QVERIFY(cellImage(run, cell)->hasPicture());
    }
    for (int cell = 0; cell < 60; ++cell)
        QVERIFY(cellTitle(run, cell)->text() != QStringLiteral("n61.jpg"));
}

void TestMultiWindow::failureStopsTheFill_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("damaged JPEG") << "damaged";
    QTest::newRow("missing file") << "missing";
    QTest::newRow("no decoder") << "wmf";
}

void TestMultiWindow::failureStopsTheFill()
{
    QFETCH(QString, kind);
    const Run run = start();
    const QByteArray x = writeJpeg(QStringLiteral("x.jpg"), Qt::red);
    const QByteArray y = writeJpeg(QStringLiteral("y.jpg"), Qt::green);
    const QByteArray z = writeJpeg(QStringLiteral("z.jpg"), Qt::blue);
    QCOMPARE(fill(run, {x, y, z}), QString());
    run.multi()->hide();
    setLayout(run, 50, 0, QStringLiteral("6"), QStringLiteral("10"), true, 20);
    const QList<QRect> before = cellGeometry(run);

    QByteArray bad;
    QString expected;
    if (kind == QLatin1String("damaged")) {
        bad = writeBytes(QStringLiteral("broken.jpg"), "this is no JPEG data at all");
    } else if (kind == QLatin1String("missing")) {
        bad = QFile::encodeName(m_dir.filePath(QStringLiteral("gone.jpg")));
        expected = PictureLoader::cannotOpenText(bad);
    } else {
        bad = writeBytes(QStringLiteral("picture.wmf"), "\xD7\xCD\xC6\x9A");
        expected = PictureLoader::noDecoderText(bad);
    }
    const QByteArray a = writeJpeg(QStringLiteral("fresh.jpg"), Qt::yellow);
    const QByteArray after = writeJpeg(QStringLiteral("after.jpg"), Qt::cyan);
    bool shown = true;
    const QString message = fill(run, {a, bad, after}, &shown);
    if (expected.isEmpty())
        QVERIFY2(message.startsWith(QStringLiteral("JPEG ｴﾗｰ #")), qPrintable(message));
    else
        QCOMPARE(message, expected);
    QVERIFY(!shown);
    QVERIFY(!run.multi()->isVisible());
    // The cell before the failure has its new picture, the rest their old ones.
    QCOMPARE(cellTitle(run, 0)->text(), QStringLiteral("fresh.jpg"));
    QVERIFY(near(cellColor(run, 0), Qt::yellow));
    QCOMPARE(cellTitle(run, 1)->text(), QStringLiteral("y.jpg"));
    QVERIFY(near(cellColor(run, 1), Qt::green));
    QCOMPARE(cellTitle(run, 2)->text(), QStringLiteral("z.jpg"));
    QVERIFY(near(cellColor(run, 2), Qt::blue));
    // Not laid out with the new size either.
    QCOMPARE(cellGeometry(run), before);
}

void TestMultiWindow::cellsAreDecodedReducedWithTheStretchOfThePreview()
{
    const Run run = start();
    const QByteArray big = writeJpeg(QStringLiteral("big.jpg"), Qt::darkGreen, QSize(1600, 1200));
    QCOMPARE(fill(run, {big}), QString());
    QVERIFY(cellImage(run, 0)->stretch());
    // Covering the 100 x 100 cell, far below the 1600 x 1200 original.
    QCOMPARE(cellImage(run, 0)->pictureSize(), QSize(133, 100));
    QCOMPARE(cellImage(run, 0)->size(), QSize(100, 100));

    // Larger cells get a sharper copy in the background; small pictures,
    // already whole, are left alone.
    const QByteArray small = writeJpeg(QStringLiteral("small.jpg"), Qt::red, QSize(40, 30));
    QCOMPARE(fill(run, {big, small}), QString());
    setLayout(run, 300, 0, QStringLiteral("6"), QStringLiteral("10"), true, 20);
    run.dialogChild<QPushButton>("Button1")->click();
    QVERIFY(waitUntil([&] { return !run.multi()->isRefreshing(); }));
    QCOMPARE(cellImage(run, 0)->pictureSize(), QSize(400, 300));
    QCOMPARE(cellImage(run, 1)->pictureSize(), QSize(40, 30));
    QCOMPARE(cellTitle(run, 0)->text(), QStringLiteral("big.jpg"));

    setLayout(run, 100, 0, QStringLiteral("6"), QStringLiteral("10"), true, 20);
    run.main()->findChild<QCheckBox *>(QStringLiteral("CheckStretch"))->setChecked(false);
    QCOMPARE(fill(run, {big}), QString());
    QVERIFY(!cellImage(run, 0)->stretch());
}

// Unstretched, a cell holds the picture's real top-left pixels: the upper
// half of this picture is red down to row 600, so a reduced copy would show
// the yellow lower half inside the cell.
void TestMultiWindow::unstretchedCellsShowTheRealCorner()
{
    const Run run = start();
    QImage image(1600, 1200, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter(&image).fillRect(0, 600, 1600, 600, Qt::yellow);
    const QString path = m_dir.filePath(QStringLiteral("halves.jpg"));
    QVERIFY(image.save(path, "JPEG", 95));
    run.main()->findChild<QCheckBox *>(QStringLiteral("CheckStretch"))->setChecked(false);
    QCOMPARE(fill(run, {QFile::encodeName(path)}), QString());
    QCOMPARE(cellImage(run, 0)->pictureSize(), QSize(100, 100));
    QVERIFY(near(cellImage(run, 0)->picture().pixelColor(50, 95), Qt::red));

    // A larger cell gets a larger corner, still at full scale.
    setLayout(run, 300, 0, QStringLiteral("6"), QStringLiteral("10"), true, 20);
    run.dialogChild<QPushButton>("Button1")->click();
    QVERIFY(waitUntil([&] { return !run.multi()->isRefreshing(); }));
    QCOMPARE(cellImage(run, 0)->pictureSize(), QSize(300, 300));
    QVERIFY(near(cellImage(run, 0)->picture().pixelColor(150, 295), Qt::red));
}

// A picture whose embedded thumbnail (blue) differs from its body (red): a
// cell the thumbnail covers shows it, a larger cell is decoded from the body.
void TestMultiWindow::cellsComeFromCameraThumbnails()
{
    const Run run = start();
    QImage body(1600, 1200, QImage::Format_RGB32);
    body.fill(Qt::red);
    QImage thumbnail(160, 120, QImage::Format_RGB32);
    thumbnail.fill(Qt::blue);
    const QString path = m_dir.filePath(QStringLiteral("camera.jpg"));
    QVERIFY(PictureFiles::writeSampledJpeg(
        path, body, 4, false,
        PictureFiles::exifPayload(PictureFiles::jpegBytes(thumbnail), false)));
    QCOMPARE(fill(run, {QFile::encodeName(path)}), QString());
    QCOMPARE(cellImage(run, 0)->pictureSize(), QSize(133, 100));
    QVERIFY(near(cellColor(run, 0), Qt::blue));

    setLayout(run, 300, 0, QStringLiteral("6"), QStringLiteral("10"), true, 20);
    run.dialogChild<QPushButton>("Button1")->click();
    QVERIFY(waitUntil([&] { return !run.multi()->isRefreshing(); }));
    QCOMPARE(cellImage(run, 0)->pictureSize(), QSize(400, 300));
    QVERIFY(near(cellColor(run, 0), Qt::red));
}

void TestMultiWindow::layoutFollowsTheDialog_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("hiritsu");
    QTest::addColumn<QString>("columns");
    QTest::addColumn<bool>("titles");
    QTest::addColumn<QList<int>>("cells");
    QTest::addColumn<QList<QRect>>("images");

    QTest::newRow("design values")
        << 100 << 0 << "10" << true << QList<int>{0, 9, 10, 59}
        << QList<QRect>{
               {0, 0, 100, 100}, {900, 0, 100, 100}, {0, 120, 100, 100}, {900, 600, 100, 100}};
    QTest::newRow("ratio -40") << 100 << -40 << "10" << true << QList<int>{1, 2, 11}
                               << QList<QRect>{
                                      {60, 0, 60, 100}, {120, 0, 60, 100}, {60, 120, 60, 100}};
    QTest::newRow("titles off") << 100 << 0 << "10" << false << QList<int>{10, 59}
                                << QList<QRect>{{0, 100, 100, 100}, {900, 500, 100, 100}};
}

void TestMultiWindow::layoutFollowsTheDialog()
{
    QFETCH(int, size);
    QFETCH(int, hiritsu);
    QFETCH(QString, columns);
    QFETCH(bool, titles);
    QFETCH(QList<int>, cells);
    QFETCH(QList<QRect>, images);

    const Run run = start();
    setLayout(run, size, hiritsu, QStringLiteral("6"), columns, titles, 20);
    QCOMPARE(fill(run, {writeJpeg(QStringLiteral("one.jpg"), Qt::red)}), QString());
    for (int i = 0; i < cells.size(); ++i) {
        QCOMPARE(cellImage(run, cells[i])->geometry(), images[i]);
        QLabel *title = cellTitle(run, cells[i]);
        QCOMPARE(title->pos(), images[i].bottomLeft() + QPoint(0, 1));
        QCOMPARE(title->isVisibleTo(run.multi()), titles);
    }
    // The client area covers the grid, so the window scrolls over all of it.
    const QRect last = cellImage(run, 59)->geometry();
    QCOMPARE(run.multi()->clientArea()->width(), last.right() + 1);
    QCOMPARE(run.multi()->clientArea()->height(), last.bottom() + 1 + (titles ? 20 : 0));
}

void TestMultiWindow::badRowsOrColumnsLeaveTheLayout_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("columns");
    QTest::addColumn<QString>("message");
    QTest::newRow("7 x 9") << "7"
                           << "9" << QStringLiteral("イメージの最大表示個数は ６０ です");
    QTest::newRow("rows not a number") << "six"
                                       << "10" << QStringLiteral("'six' は整数ではありません");
    QTest::newRow("columns not a number") << "6"
                                          << "1.5" << QStringLiteral("'1.5' は整数ではありません");
}

void TestMultiWindow::badRowsOrColumnsLeaveTheLayout()
{
    QFETCH(QString, rows);
    QFETCH(QString, columns);
    QFETCH(QString, message);
    const Run run = start();
    QCOMPARE(fill(run, {writeJpeg(QStringLiteral("one.jpg"), Qt::red)}), QString());
    const QList<QRect> before = cellGeometry(run);
    setLayout(run, 70, 10, rows, columns, true, 20);
    QCOMPARE(redisplay(run), message);
    QCOMPARE(cellGeometry(run), before);

    // Rows 1 and columns 5 are fine: 12 rows of 5.
    setLayout(run, 100, 0, QStringLiteral("1"), QStringLiteral("5"), true, 20);
    run.dialogChild<QPushButton>("Button1")->click();
    QCOMPARE(cellImage(run, 4)->pos(), QPoint(400, 0));
    QCOMPARE(cellImage(run, 5)->pos(), QPoint(0, 120));
    QCOMPARE(cellImage(run, 59)->pos(), QPoint(400, 1320));
}

void TestMultiWindow::redisplayOnAHiddenWindow()
{
    const Run run = start();
    QVERIFY(!run.multi()->isVisible());
    setLayout(run, 50, 30, QStringLiteral("6"), QStringLiteral("10"), true, 10);
    run.dialogChild<QPushButton>("Button1")->click();
    QVERIFY(!run.multi()->isVisible());
    QCOMPARE(cellImage(run, 11)->geometry(), QRect(80, 60, 80, 50));
    QCOMPARE(cellTitle(run, 11)->pos(), QPoint(80, 110));
}

void TestMultiWindow::cellWithoutWidthIsEmpty()
{
    const Run run = start();
    setLayout(run, 50, -60, QStringLiteral("6"), QStringLiteral("10"), true, 20);
    bool shown = false;
    QCOMPARE(fill(run, {writeJpeg(QStringLiteral("thin.jpg"), Qt::red)}, &shown), QString());
    QVERIFY(shown);
    QCOMPARE(cellImage(run, 0)->width(), 0);
    QCOMPARE(cellImage(run, 0)->height(), 50);
    QVERIFY(cellImage(run, 0)->hasPicture());
    QCOMPARE(cellTitle(run, 0)->text(), QStringLiteral("thin.jpg"));
    run.multi()->grab(); // painting a cell without area draws nothing and fails nothing
}

void TestMultiWindow::storedValuesComeBack()
{
    auto config = std::make_unique<ConfigSandbox>();
    ConfigSandbox *sandbox = config.get();
    {
        Run run = start(std::move(config));
        run.main()->findChild<QAction *>(QStringLiteral("B2"))->trigger();
        QVERIFY(run.dialog()->isVisible());
        setLayout(run, 150, -20, QStringLiteral("5"), QStringLiteral("12"), false, 35);
        run.dialog()->move(120, 130);
        run.dialogChild<QPushButton>("BitBtnShuuryou")->click();
        QVERIFY(!run.dialog()->isVisible());
        const QByteArray stored = sandbox->settingsBytes();
        for (const char *line :
             {"fmSetteiMulti=7", "fmSetteiMulti.Title=35", "fmSetteiMulti.Size=150",
              "fmSetteiMulti.Hiritsu=-20", "fmSetteiMulti.Gyou=5", "fmSetteiMulti.Retsu=12",
              "fmSetteiMulti.Left=120", "fmSetteiMulti.Top=130"})
            QVERIFY2(stored.contains(line), line);
        config = std::move(run.config);
    }
    const Run again = start(std::move(config));
    QVERIFY(!again.dialogChild<QCheckBox>("CheckTitle")->isChecked());
    QCOMPARE(again.dialogChild<QScrollBar>("ScrollTitle")->value(), 35);
    QCOMPARE(again.dialogChild<QScrollBar>("ScrollSize")->value(), 150);
    QCOMPARE(again.dialogChild<QScrollBar>("ScrollHiritsu")->value(), -20);
    QCOMPARE(again.dialogChild<QLineEdit>("EditGyou")->text(), QStringLiteral("5"));
    QCOMPARE(again.dialogChild<QLineEdit>("EditRetsu")->text(), QStringLiteral("12"));
    QCOMPARE(again.dialogChild<QLabel>("LabelSize")->text(), QStringLiteral("150"));
    QCOMPARE(again.dialogChild<QLabel>("LabelTitle")->text(), QStringLiteral("35"));
    QCOMPARE(again.dialog()->pos(), QPoint(120, 130));
}

void TestMultiWindow::storedScrollValuesAreBroughtIntoRange()
{
    auto config = std::make_unique<ConfigSandbox>();
    config->writeSettings("[Setting]\r\nfmSetteiMulti.Size=500\r\nfmSetteiMulti.Hiritsu=-300\r\n"
                          "fmSetteiMulti.Title=x\r\nfmSetteiMulti=3\r\n");
    const Run run = start(std::move(config));
    QCOMPARE(run.dialogChild<QScrollBar>("ScrollSize")->value(), 400);
    QCOMPARE(run.dialogChild<QLabel>("LabelSize")->text(), QStringLiteral("400"));
    QCOMPARE(run.dialogChild<QScrollBar>("ScrollHiritsu")->value(), -100);
    QCOMPARE(run.dialogChild<QScrollBar>("ScrollTitle")->value(), 20);
    // Only 1 means on.
    QVERIFY(!run.dialogChild<QCheckBox>("CheckTitle")->isChecked());
}

void TestMultiWindow::menusOpenAndClose()
{
    const Run run = start();
    QCOMPARE(fill(run, {writeJpeg(QStringLiteral("m.jpg"), Qt::red)}), QString());
    QVERIFY(run.multi()->isVisible());
    run.multi()->findChild<QAction *>(QStringLiteral("S1"))->trigger();
    QVERIFY(run.dialog()->isVisible());
    run.multi()->move(44, 55);
    run.multi()->findChild<QAction *>(QStringLiteral("C1"))->trigger();
    QVERIFY(!run.multi()->isVisible());
    const QByteArray stored = run.config->settingsBytes();
    QVERIFY(stored.contains("fmMulti.Left=44"));
    QVERIFY(stored.contains("fmMulti.Top=55"));
    QVERIFY(stored.contains("fmMulti.Width="));
    QVERIFY(stored.contains("fmMulti.Height="));

    // Closed while a fill runs: it stops there and the window stays closed.
    run.multi()->show();
    QSignalSpy finished(run.multi(), &TFormMulti::fillFinished);
    run.multi()->FillMultiWindow({writeJpeg(QStringLiteral("late.jpg"), Qt::blue)}, true);
    QVERIFY(run.multi()->isFilling());
    run.multi()->findChild<QAction *>(QStringLiteral("C1"))->trigger();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    // The decode still running is joined; its late delivery must change nothing.
    for (OrderedDecoder *decoder : run.multi()->findChildren<OrderedDecoder *>())
        decoder->waitForWorkers();
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 1);
    QVERIFY(!run.multi()->isVisible());
    QVERIFY(cellTitle(run, 0)->text() != QStringLiteral("late.jpg"));
}

QTEST_MAIN(TestMultiWindow)
#include "test_multiwindow.moc"
