#include "crawl/linklist.h"
#include "disksearch/resultentry.h"
#include "disksearch/resultlistpane.h"
#include "picture/picturerequest.h"
#include "picturefiles.h"
#include "settings/tformsetting.h"
#include "shell/appwindows.h"
#include "shell/statusbar.h"
#include "shell/tformmain.h"
#include "testutils.h"
#include "viewer/previewpane.h"
#include "viewer/tformview.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using namespace PictureFiles;

namespace {

// Reads one integer of section "Window" from the settings file.
int storedWindowValue(const ConfigSandbox &config, const char *name)
{
    const QList<QByteArray> lines = config.settingsBytes().split('\n');
    const QByteArray prefix = QByteArray(name) + '=';
    for (const QByteArray &line : lines) {
        if (line.trimmed().startsWith(prefix))
            return line.trimmed().mid(prefix.size()).toInt();
    }
    return -1;
}

} // namespace

class TestViewWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QByteArray picture(int width, int height, const QString &name = QString())
    {
        const QString path = m_dir.filePath(
            name.isEmpty() ? QStringLiteral("v%1x%2.jpg").arg(width).arg(height) : name);
        if (!QFile::exists(path))
            write(path, quadrants(width, height));
        return QFile::encodeName(path);
    }

    static bool preview(TFormMain *main, const QByteArray &path)
    {
        main->preview()->LoadPreview(path);
        return waitUntil([main] { return !main->preview()->isLoading(); });
    }

    static bool shown(TFormView *view)
    {
        return waitUntil([view] { return view->isVisible() && !view->isLoading(); });
    }

    static QPixmap pictureOf(TFormView *view)
    {
        return view->findChild<QLabel *>(QStringLiteral("Image1"))->pixmap();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void windowHasItsControls()
    {
        ConfigSandbox config;
        TFormView view;
        QCOMPARE(view.windowTitle(), QStringLiteral("View Form"));
        QCOMPARE(view.size(), QSize(365, 281));
        auto *tail = view.findChild<QWidget *>(QStringLiteral("PanelTail"));
        QVERIFY(tail);
        QCOMPARE(tail->height(), 34);
        auto *close = view.findChild<QPushButton *>(QStringLiteral("BitBtn1"));
        QCOMPARE(close->text(), QStringLiteral("閉じる(&C)"));
        QCOMPARE(close->geometry(), QRect(8, 4, 85, 25));
        QVERIFY(!close->icon().isNull());
        QVERIFY(!view.findChild<QCheckBox *>(QStringLiteral("CheckStretch"))->isChecked());
        QVERIFY(view.findChild<QWidget *>(QStringLiteral("Panel1")));
    }

    // "画像" reuses the shared window; the picture is decoded anew at full
    // size, not enlarged from the preview's reduced copy.
    void singleReusesTheSharedWindow()
    {
        ConfigSandbox config;
        auto app = createWindows();
        TFormMain *main = app->main();
        QVERIFY(preview(main, picture(640, 480)));
        QCOMPARE(main->preview()->pictureSize(), QSize(640, 480));
        main->SingleImageCommand();
        TFormView *view = app->view();
        QVERIFY(shown(view));
        QCOMPARE(view->windowTitle(), QStringLiteral("Image (640 x 480)"));
        QCOMPARE(view->size(), QSize(650, 544));
        QCOMPARE(pictureOf(view).size(), QSize(640, 480));
        QVERIFY(near(pictureOf(view).toImage().pixel(639, 479), Qt::blue));
        QCOMPARE(main->requestedViewSize(), QSize(650, 524));

        QVERIFY(preview(main, picture(300, 200)));
        main->SingleImageCommand();
        QVERIFY(waitUntil(
            [view] { return view->windowTitle() == QStringLiteral("Image (300 x 200)"); }));
        QCOMPARE(view->size(), QSize(310, 264));
        QVERIFY(main->extraViews().isEmpty());
        QVERIFY(main->singleViewMode());
    }

    // Commands given while the preview still decodes act once each, in the
    // mode of their own click: "画像" then "複数" is the shared window plus
    // one new window.
    void commandsDuringALoadKeepTheirMode()
    {
        ConfigSandbox config;
        auto app = createWindows();
        TFormMain *main = app->main();
        main->preview()->LoadPreview(picture(2000, 1500));
        QVERIFY(main->preview()->isLoading());
        main->SingleImageCommand();
        main->MultiImageCommand();
        QVERIFY(shown(app->view()));
        QCOMPARE(app->view()->windowTitle(), QStringLiteral("Image (2000 x 1500)"));
        QVERIFY(waitUntil([main] { return main->extraViews().size() == 1; }));
        QVERIFY(shown(main->extraViews().first()));
        QVERIFY(!main->singleViewMode());
    }

    // The second "画像" replaces a first one still being decoded; the first
    // picture never shows.
    void laterCommandWinsOverAnEarlierDecode()
    {
        ConfigSandbox config;
        auto app = createWindows();
        TFormMain *main = app->main();
        TFormView *view = app->view();
        QSignalSpy shownSpy(view, &TFormView::pictureShown);
        const QByteArray small = picture(300, 200);
        QVERIFY(preview(main, picture(6000, 4000)));
        main->SingleImageCommand();
        // The second command waits for this preview, then replaces the first.
        main->preview()->LoadPreview(small);
        main->SingleImageCommand();
        QVERIFY(shown(view));
        // Every decode has ended and its answer has been handled.
        QVERIFY(PictureRequest::pool()->waitForDone(30000));
        QCoreApplication::processEvents();
        QCOMPARE(shownSpy.count(), 1);
        QCOMPARE(view->windowTitle(), QStringLiteral("Image (300 x 200)"));
    }

    // The window reads the file again; when it has gone since the preview,
    // the user gets the loader's text instead of a stale or empty picture.
    void vanishedFileIsReported()
    {
        ConfigSandbox config;
        auto app = createWindows();
        TFormMain *main = app->main();
        const QByteArray path = picture(320, 240, QStringLiteral("gone.jpg"));
        QVERIFY(preview(main, path));
        QVERIFY(QFile::remove(QFile::decodeName(path)));
        QString text;
        MessageBoxWatcher watcher([&text](QMessageBox *box) {
            text = box->text();
            box->accept();
        });
        main->SingleImageCommand();
        QVERIFY(waitUntil([&text] { return !text.isEmpty(); }, 30000));
        QCOMPARE(text, QStringLiteral("ﾌｧｲﾙ %1 は開けません").arg(QFile::decodeName(path)));
        QVERIFY(!app->view()->isVisible());
    }

    void multiOpensANewWindowEachTime()
    {
        ConfigSandbox config;
        auto app = createWindows();
        TFormMain *main = app->main();
        QVERIFY(preview(main, picture(640, 480)));
        main->MultiImageCommand();
        main->MultiImageCommand();
        QVERIFY(!main->singleViewMode());
        QCOMPARE(main->extraViews().size(), 2);
        for (TFormView *view : main->extraViews()) {
            QVERIFY(view != app->view());
            QVERIFY(shown(view));
            QCOMPARE(view->windowTitle(), QStringLiteral("Image (640 x 480)"));
            QCOMPARE(view->size(), QSize(650, 544));
        }
        QVERIFY(!app->view()->isVisible());
    }

    // A window opened by "複数" goes with its picture when it is closed, after
    // storing its values; the shared window stays for the next "画像".
    void closedMultiWindowIsReleased()
    {
        ConfigSandbox config;
        auto app = createWindows();
        TFormMain *main = app->main();
        QVERIFY(preview(main, picture(640, 480)));
        main->MultiImageCommand();
        QCOMPARE(main->extraViews().size(), 1);
        QPointer<TFormView> view = main->extraViews().first();
        QVERIFY(shown(view));
        view->move(130, 95);
        view->findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
        QTRY_VERIFY(view.isNull());
        QVERIFY(main->extraViews().isEmpty());
        QCOMPARE(storedWindowValue(config, "fmView.Left"), 130);

        QPointer<TFormView> shared = app->view();
        main->SingleImageCommand();
        QVERIFY(shown(shared));
        shared->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!shared.isNull());
    }

    void emptyPreviewOpensAnEmptyWindow()
    {
        ConfigSandbox config;
        auto app = createWindows();
        app->main()->SingleImageCommand();
        TFormView *view = app->view();
        QVERIFY(shown(view));
        QCOMPARE(view->windowTitle(), QStringLiteral("Image (0 x 0)"));
        QCOMPARE(view->size(), QSize(10, 64));
    }

    // A picture larger than the screen gets a window the screen can hold and
    // scrolls inside it.
    void largePictureScrolls()
    {
        ConfigSandbox config;
        auto app = createWindows();
        TFormMain *main = app->main();
        QVERIFY(preview(main, picture(3000, 2000)));
        main->SingleImageCommand();
        TFormView *view = app->view();
        QVERIFY(shown(view));
        QCOMPARE(view->windowTitle(), QStringLiteral("Image (3000 x 2000)"));
        const QSize screen = view->screen()->availableGeometry().size();
        QVERIFY(view->width() <= screen.width() && view->height() <= screen.height());
        auto *scroll = view->findChild<QScrollArea *>();
        QVERIFY(scroll->horizontalScrollBar()->maximum() > 0);
        QVERIFY(scroll->verticalScrollBar()->maximum() > 0);

        view->findChild<QCheckBox *>(QStringLiteral("CheckStretch"))->click();
        QCOMPARE(scroll->horizontalScrollBar()->maximum(), 0);
        QVERIFY(view->findChild<QLabel *>(QStringLiteral("Image1"))->hasScaledContents());
    }

    void closingStoresTheValues_data()
    {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("閉じる(&C)") << true;
        QTest::newRow("window frame") << false;
    }
    void closingStoresTheValues()
    {
        QFETCH(bool, byButton);
        ConfigSandbox config;
        auto app = createWindows();
        TFormView *view = app->view();
        app->main()->SingleImageCommand();
        QVERIFY(shown(view));
        view->move(120, 90);
        view->resize(400, 300);
        if (byButton)
            view->findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
        else
            view->close();
        QVERIFY(!view->isVisible());
        QCOMPARE(storedWindowValue(config, "fmView.Left"), view->x());
        QCOMPARE(storedWindowValue(config, "fmView.Top"), view->y());
        QCOMPARE(storedWindowValue(config, "fmView.Width"), view->frameGeometry().width());
        QCOMPARE(storedWindowValue(config, "fmView.Height"), view->frameGeometry().height());
    }

    // The shared window takes the stored size; a window opened by "複数"
    // takes the stored position but the size asked for.
    void storedValuesAreRestored()
    {
        ConfigSandbox config;
        config.writeSettings(QByteArrayLiteral(
            "[Window]\nfmView.Left=70\nfmView.Top=80\nfmView.Width=500\nfmView.Height=420\n"));
        auto app = createWindows();
        QCOMPARE(app->view()->pos(), QPoint(70, 80));
        QCOMPARE(app->view()->size(), QSize(500, 420));

        TFormView requested(QSize(650, 524));
        QCOMPARE(requested.pos(), QPoint(70, 80));
        QCOMPARE(requested.size(), QSize(650, 524));
    }

    void urlTabTakesTheSelectedLink_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("entriesBefore");
        QTest::addColumn<bool>("refused");
        // Nothing listens on port 9: an accepted link's fetch fails at once.
        QTest::newRow("gif") << "http://127.0.0.1:9/a.gif" << 0 << true;
        QTest::newRow("jpeg spelled long") << "http://127.0.0.1:9/a.jpeg" << 0 << true;
        QTest::newRow("jpg") << "http://127.0.0.1:9/a.jpg" << 0 << false;
        QTest::newRow("JPG in capitals") << "http://127.0.0.1:9/A.JPG" << 0 << false;
        QTest::newRow("entry 10000") << "http://127.0.0.1:9/b.jpg" << 9999 << false;
    }
    void urlTabTakesTheSelectedLink()
    {
        QFETCH(QString, url);
        QFETCH(int, entriesBefore);
        QFETCH(bool, refused);
        ConfigSandbox config;
        auto app = createWindows();
        TFormMain *main = app->main();
        app->setting()
            ->findChild<QLineEdit *>(QStringLiteral("EditDirectory"))
            ->setText(m_dir.path());
        main->pages()->setCurrentWidget(
            main->pages()->findChild<QWidget *>(QStringLiteral("TabURL")));
        auto *links = qobject_cast<LinkList *>(main->imageLink()->model());
        QVERIFY(links != nullptr);
        for (int i = 0; i < entriesBefore; ++i)
            links->appendEntry(QByteArray("http://127.0.0.1:9/f" + QByteArray::number(i) + ".jpg"));
        links->appendEntry(url.toLatin1());
        const QModelIndex last = links->index(entriesBefore, 0);
        QCOMPARE(last.data().toString(),
                 QStringLiteral("%1  ----     ").arg(entriesBefore + 1, 4, 10, QLatin1Char('0')) +
                     url);
        main->imageLink()->setCurrentIndex(last);
        QString text;
        MessageBoxWatcher watcher([&text](QMessageBox *box) {
            text = box->text();
            box->accept();
        });
        // The message, when there is one, is shown before the command returns.
        main->SingleImageCommand();
        QCOMPARE(watcher.seen(), refused ? 1 : 0);
        QCOMPARE(text, refused ? QStringLiteral("画像リストの画像ファイルを選択してください")
                               : QString());
        QCOMPARE(main->findChild<QLineEdit *>(QStringLiteral("EditHttpURL"))->text(),
                 refused ? QString() : url);
        QVERIFY(!app->view()->isVisible());
        QVERIFY(main->extraViews().isEmpty());
    }

    // Through the result list: a click previews the entry and shows its path
    // in panel 4, a keyboard move does the same, a double click opens it.
    void resultListDrivesThePreview()
    {
        ConfigSandbox config;
        auto app = createWindows();
        TFormMain *main = app->main();
        ResultListPane *list = main->resultList();
        const QByteArray first = picture(400, 200);
        const QByteArray second = picture(768, 1024);
        list->appendEntry(ResultEntry::format(0, 1000, first));
        list->appendEntry(ResultEntry::format(0, 2000, second));
        QListView *view = list->listView();
        view->setFocus();
        const QRect row = view->visualRect(view->model()->index(0, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row.center());
        QVERIFY(waitUntil([main] { return main->preview()->pictureSize() == QSize(400, 200); }));
        QCOMPARE(main->statusBarMain()->text(4), QFile::decodeName(first));
        QCOMPARE(main->findChild<QLabel *>(QStringLiteral("LabelWidth"))->text(),
                 QStringLiteral("400"));

        QTest::keyClick(view, Qt::Key_Down);
        QVERIFY(waitUntil([main] { return main->preview()->pictureSize() == QSize(768, 1024); }));
        QCOMPARE(main->statusBarMain()->text(4), QFile::decodeName(second));
        QCOMPARE(main->findChild<QLabel *>(QStringLiteral("PanelImage"))->size(), QSize(216, 288));

        // The ratio box reloads the current entry from disk.
        QVERIFY(write(QFile::decodeName(second), quadrants(500, 100)));
        main->findChild<QCheckBox *>(QStringLiteral("CheckHiritsu"))->click();
        QVERIFY(waitUntil([main] { return main->preview()->pictureSize() == QSize(500, 100); }));

        const QRect secondRow = view->visualRect(view->model()->index(1, 0));
        // A real double click: the first click of it, then the second.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, secondRow.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, secondRow.center());
        QVERIFY(shown(app->view()));
        QCOMPARE(app->view()->windowTitle(), QStringLiteral("Image (500 x 100)"));
    }
};

QTEST_MAIN(TestViewWindow)
#include "test_viewwindow.moc"
