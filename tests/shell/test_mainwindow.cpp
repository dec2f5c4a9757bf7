#include "common/helpmanual.h"
#include "components/logpane.h"
#include "crawl/thtml.h"
#include "settings/tformselectdir.h"
#include "settings/tformsetting.h"
#include "shell/appwindows.h"
#include "shell/statusbar.h"
#include "shell/tformmain.h"
#include "shell/tformversion.h"
#include "testutils.h"
#include "viewer/tformmulti.h"
#include "viewer/tformsetteimulti.h"
#include "viewer/tformview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

namespace {

template <typename T> T *child(QWidget *w, const char *name)
{
    T *found = w->findChild<T *>(QLatin1String(name));
    if (found == nullptr)
        qWarning("no child %s", name);
    return found;
}

QAction *action(QWidget *w, const char *name)
{
    return child<QAction>(w, name);
}

// Counts the paint events a widget receives and gathers what they painted.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *w) : m_widget(w) { w->installEventFilter(this); }
    int count = 0;
    QRegion painted;
    // Whether any paint covered part of `other`.
    bool paintedOver(const QWidget *other) const
    {
        return painted.intersects(QRect(other->mapTo(m_widget, QPoint()), other->size()));
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++count;
            painted += static_cast<QPaintEvent *>(event)->region();
        }
        return false;
    }

private:
    QWidget *m_widget;
};

struct Started
{
    ConfigSandbox *config;
    std::unique_ptr<AppWindows> windows;
    TFormMain *main() const { return windows->main(); }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<ConfigSandbox> m_config;
    std::unique_ptr<AppWindows> m_windows;

    TFormMain *start()
    {
        m_windows = createWindows();
        return m_windows->main();
    }
    bool tabVisible(TFormMain *m, const char *tab)
    {
        auto *pages = child<QTabWidget>(m, "PageControl1");
        return pages->isTabVisible(pages->indexOf(child<QWidget>(m, tab)));
    }
    void checkMode(TFormMain *m, bool www)
    {
        QCOMPARE(m->isWWWMode(), www);
        QCOMPARE(child<QComboBox>(m, "ComboDirectory")->isVisible(), !www);
        QCOMPARE(child<QComboBox>(m, "ComboURL")->isVisible(), www);
        QCOMPARE(child<QLabel>(m, "LabelTaishou")->text(),
                 www ? QStringLiteral("　ＵＲＬ") : QStringLiteral("ﾃﾞｨﾚｸﾄﾘ"));
        QCOMPARE(child<QToolButton>(m, "BtDirectory")->isEnabled(), !www);
        QCOMPARE(child<QToolButton>(m, "BtWeb")->isEnabled(), www);
        QCOMPARE(child<QToolButton>(m, "BtBack")->isEnabled(), www);
        QCOMPARE(child<QToolButton>(m, "BtForward")->isEnabled(), www);
        QCOMPARE(child<QToolButton>(m, "ToolBtHard")->isChecked(), !www);
        QCOMPARE(child<QToolButton>(m, "ToolBtWWW")->isChecked(), www);
        QCOMPARE(action(m, "MenuHard")->isChecked(), !www);
        QCOMPARE(action(m, "MenuWWW")->isChecked(), www);
        QCOMPARE(m->busyIndicator(), TFormMain::ImageIdle);
    }

private slots:
    void init() { m_config = std::make_unique<ConfigSandbox>(); }
    void cleanup()
    {
        m_windows.reset();
        m_config.reset();
    }

    void emptyStoreGivesTheInitialWindow()
    {
        TFormMain *m = start();
        QVERIFY(m->isVisible());
        QCOMPARE(m->windowTitle(), QStringLiteral("ヴェリスク   (Vellisk)   Ver 1.0"));
        // Place and size are those of the frame, as the user sees the window.
        QCOMPARE(m->frameGeometry(), QRect(343, 106, 672, 569));
        checkMode(m, false);
        QVERIFY(child<QCheckBox>(m, "CheckAutoDisp")->isChecked());
        QCOMPARE(child<QComboBox>(m, "ComboDirectory")->currentText(), QString());
        QCOMPARE(child<QComboBox>(m, "ComboURL")->currentText(), QString());
        auto *pages = child<QTabWidget>(m, "PageControl1");
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabList"));
        QStringList tabs;
        for (int i = 0; i < pages->count(); ++i)
            tabs << pages->widget(i)->objectName() + QLatin1Char(':') + pages->tabText(i);
        QCOMPARE(tabs, QStringList({QStringLiteral("TabWeb:ＷＷＷ"), QStringLiteral("TabURL:URL"),
                                    QStringLiteral("TabHTTP:HTTP"), QStringLiteral("TabLog:Log"),
                                    QStringLiteral("TabList:ファイルリスト")}));
        QVERIFY(!tabVisible(m, "TabHTTP"));
        QVERIFY(!tabVisible(m, "TabLog"));
        QVERIFY(!m->statusBarSlots()->isVisible());
        QCOMPARE(child<QFrame>(m, "PanelSystem")->height(), 4);
        QCOMPARE(child<QFrame>(m, "PanelBottom")->height(), 0);
        // The other windows exist, hidden, and the browser engine has not started.
        for (QWidget *w : {static_cast<QWidget *>(m_windows->selectDir()),
                           static_cast<QWidget *>(m_windows->view()),
                           static_cast<QWidget *>(m_windows->setting()),
                           static_cast<QWidget *>(m_windows->multi()),
                           static_cast<QWidget *>(m_windows->setteiMulti()),
                           static_cast<QWidget *>(m_windows->version())})
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        QVERIFY(!m->html()->engineStarted());
        // Destroying the windows writes nothing.
        m_windows.reset();
        QVERIFY(!QFile::exists(m_config->settingsPath()));
    }

    void statusBarsHaveTheirPanels()
    {
        TFormMain *m = start();
        const QList<int> widths = {90, 85, 85, 85, 260, 50};
        for (int i = 0; i < widths.size(); ++i)
            QCOMPARE(child<QLabel>(m, qPrintable(QStringLiteral("STB_%1").arg(i)))->width(),
                     widths[i]);
        for (int i = 0; i < 7; ++i)
            QCOMPARE(child<QLabel>(m, qPrintable(QStringLiteral("STA_%1").arg(i)))->width(), 90);
    }

    void toolButtonsAndMenusCarryTheirTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const char *rows[][2] = {{"Exit1", "終了(&X)"},
                                 {"J1", "実行(&G)"},
                                 {"S2", "中止(&S)"},
                                 {"WebW1", "Web表示(&W)"},
                                 {"T4", "収集(&T)"},
                                 {"M1", "ファイルリスト消去(&R)"},
                                 {"MenuAllClear", "全消去(&Z)"},
                                 {"H1", "ホーム(&H)"},
                                 {"S4", "サポート掲示板(&S)"},
                                 {"D1", "ディレクトリ(&D)"},
                                 {"T1", "探索条件(&J)"},
                                 {"N1", "探索対象(&T)"},
                                 {"MenuHard", "ハードディスク(&H)"},
                                 {"MenuWWW", "ＷＷＷ(&W)"},
                                 {"B2", "テーブル表示(&B)"},
                                 {"S3", "単独画像(&S)"},
                                 {"M2", "複数画像(&M)"},
                                 {"T3", "テーブル表示(&T)"},
                                 {"Contents1", "目次(&C)"},
                                 {"K1", "ｷｰﾜｰﾄﾞ検索(&K)"},
                                 {"About1", "バージョン情報(&A)"},
                                 {"N2", "戻る"},
                                 {"BtDirectory", "ﾃﾞｨﾚｸﾄﾘ"},
                                 {"BtSettei", "設定"},
                                 {"ToolButton3", "検索"},
                                 {"BtSingle", "画像"},
                                 {"BtMulti", "複数"},
                                 {"BtTable", "ﾃｰﾌﾞﾙ"},
                                 {"ToolButton4", "Tarnvale"},
                                 {"BtStop", "中止"},
                                 {"BtBack", "戻る"},
                                 {"BtForward", "進む"},
                                 {"BtSelect", "収集"},
                                 {"ToolBtHard", "ﾊｰﾄﾞﾃﾞｨｽｸ"},
                                 {"ToolBtWWW", "WWW"},
                                 {"BtTansaku", "探索"},
                                 {"BtWeb", "Web"}};
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString::fromUtf8(row[0]) << QString::fromUtf8(row[1]);
    }
    void toolButtonsAndMenusCarryTheirTexts()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        TFormMain *m = start();
        if (auto *a = m->findChild<QAction *>(name))
            QCOMPARE(a->text(), text);
        else
            QCOMPARE(child<QToolButton>(m, qPrintable(name))->text(), text);
    }

    void storedModeFlag_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("www");
        QTest::newRow("1 is WWW") << QByteArray("1") << true;
        QTest::newRow("0 is hard disk") << QByteArray("0") << false;
        QTest::newRow("7 is hard disk") << QByteArray("7") << false;
        QTest::newRow("2 is hard disk") << QByteArray("2") << false;
    }
    void storedModeFlag()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, www);
        m_config->writeSettings("[Setting]\r\nfmTarnvale.ToolBtWWW=" + stored + "\r\n");
        checkMode(start(), www);
    }

    void everyControlSwitchesTheMode()
    {
        TFormMain *m = start();
        checkMode(m, false);
        child<QToolButton>(m, "ToolBtHard")->click(); // the current mode's button switches too
        checkMode(m, true);
        child<QToolButton>(m, "ToolBtHard")->click();
        checkMode(m, false);
        child<QToolButton>(m, "ToolBtWWW")->click();
        checkMode(m, true);
        action(m, "MenuWWW")->trigger(); // checked at the click: back to the hard disk
        checkMode(m, false);
        action(m, "MenuHard")->trigger();
        checkMode(m, true);
        child<QToolButton>(m, "ToolBtWWW")->click();
        checkMode(m, false);
        action(m, "MenuWWW")->trigger();
        checkMode(m, true);
        action(m, "MenuHard")->trigger();
        checkMode(m, false);
    }

    void storedValuesSurviveCloseAndRestart()
    {
        TFormMain *m = start();
        m->move(120, 80);
        m->resize(700, 600);
        child<QComboBox>(m, "ComboDirectory")->setEditText(QStringLiteral("/home/ユーザー/café"));
        child<QComboBox>(m, "ComboURL")->setEditText(QStringLiteral("http://example.com/a b"));
        child<QToolButton>(m, "ToolBtWWW")->click();
        child<QCheckBox>(m, "CheckAutoDisp")->setChecked(false);
        QSignalSpy end(m, &TFormMain::programEnd);
        action(m, "Exit1")->trigger();
        QCOMPARE(end.count(), 1);
        const QSize outer = m->frameGeometry().size();
        const QByteArray file = m_config->settingsBytes();
        QVERIFY(file.contains("fmTarnvale.Left=120\r\n"));
        QVERIFY(file.contains(
            QByteArray("fmTarnvale.Width=" + QByteArray::number(outer.width()) + "\r\n")));
        QVERIFY(file.contains(
            QByteArray("fmTarnvale.Height=" + QByteArray::number(outer.height()) + "\r\n")));
        QVERIFY(file.contains("fmTarnvale.ToolBtWWW=1\r\n"));
        QVERIFY(file.contains("fmTarnvale.AutoDisp=7\r\n"));

        m = start();
        QCOMPARE(m->pos(), QPoint(120, 80));
        QCOMPARE(m->frameGeometry().size(), outer);
        QCOMPARE(m->size(), QSize(700, 600));
        QCOMPARE(child<QComboBox>(m, "ComboDirectory")->currentText(),
                 QStringLiteral("/home/ユーザー/café"));
        QCOMPARE(child<QComboBox>(m, "ComboURL")->currentText(),
                 QStringLiteral("http://example.com/a b"));
        checkMode(m, true);
        QVERIFY(!child<QCheckBox>(m, "CheckAutoDisp")->isChecked());
    }

    // Every window that keeps its size keeps the size of its frame.
    void windowsKeepTheirOuterSize_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("chooser") << "TFormSelectDir"
                                 << "fmSelectDir";
        QTest::newRow("view") << "TFormView"
                              << "fmView";
        QTest::newRow("multi") << "TFormMulti"
                               << "fmMulti";
        QTest::newRow("multi settings") << "TFormSetteiMulti"
                                        << "fmSetteiMulti";
    }
    void windowsKeepTheirOuterSize()
    {
        QFETCH(QString, window);
        QFETCH(QString, prefix);
        const QByteArray p = prefix.toLatin1();
        m_config->writeSettings("[Window]\n" + p + ".Left=50\n" + p + ".Top=60\n" + p +
                                ".Width=420\n" + p + ".Height=330\n");
        start();
        QWidget *w = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == window)
                w = top;
        }
        QVERIFY(w);
        w->show();
        QCOMPARE(w->frameGeometry(), QRect(50, 60, 420, 330));
        w->resize(w->size() + QSize(20, 10));
        w->close();
        const QByteArray file = m_config->settingsBytes();
        for (const auto &[item, value] : {std::pair{".Width=", w->frameGeometry().width()},
                                          std::pair{".Height=", w->frameGeometry().height()}})
            QVERIFY2(file.contains(QByteArray(p + item + QByteArray::number(value) + "\r\n")),
                     file.constData());
    }

    void directoryHistory()
    {
        TFormMain *m = start();
        auto *back = child<QToolButton>(m, "BtBack");
        auto *forward = child<QToolButton>(m, "BtForward");
        m->RecordDirectory(QStringLiteral("/a"));
        m->RecordDirectory(QStringLiteral("/b"));
        m->RecordDirectory(QStringLiteral("/c"));
        QCOMPARE(m->directoryHistory().items(),
                 QStringList({QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("/c")}));
        QCOMPARE(m->directoryHistory().currentIndex(), 2);
        QVERIFY(back->isEnabled());
        QVERIFY(!forward->isEnabled());

        m->RecordDirectory(QStringLiteral("/B")); // found without regard to case: only moves
        QCOMPARE(m->directoryHistory().items(),
                 QStringList({QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("/c")}));
        QCOMPARE(m->directoryHistory().currentIndex(), 1);
        QVERIFY(back->isEnabled());
        QVERIFY(forward->isEnabled());

        m->RecordDirectory(QStringLiteral("/d")); // from the middle: replaces /b and what follows
        QCOMPARE(m->directoryHistory().items(),
                 QStringList({QStringLiteral("/a"), QStringLiteral("/d")}));
        QCOMPARE(m->directoryHistory().currentIndex(), 1);
        QVERIFY(!forward->isEnabled());

        // Without the drop-down flag the combo's items stay as they were.
        QCOMPARE(child<QComboBox>(m, "ComboDirectory")->count(), 0);
    }

    void emptyTargetShowsOnlyTheMessage()
    {
        TFormMain *m = start();
        m->statusBarMain()->setText(0, QStringLiteral("before"));
        m->LogNormal(QStringLiteral("kept"));
        QCOMPARE(textOfMessageBoxFrom([m] { child<QToolButton>(m, "BtTansaku")->click(); }),
                 QStringLiteral("対象ディレクトリを指定してください"));
        child<QToolButton>(m, "ToolBtWWW")->click();
        QCOMPARE(textOfMessageBoxFrom([m] { action(m, "J1")->trigger(); }),
                 QStringLiteral("対象ＵＲＬを指定してください"));
        QCOMPARE(m->statusBarMain()->text(0), QStringLiteral("before"));
        QCOMPARE(child<LogPane>(m, "MemoLog")->text(), QStringLiteral("kept"));
        QCOMPARE(m->busyIndicator(), TFormMain::ImageIdle);
    }

    void searchCommandDefersTheWork()
    {
        TFormMain *m = start();
        m->LogError(QStringLiteral("old error"));
        child<QComboBox>(m, "ComboDirectory")->setEditText(m_config->path());
        child<QTabWidget>(m, "PageControl1")->setCurrentIndex(0);
        child<QToolButton>(m, "BtTansaku")->click();
        // Prepared at once, started only after the click has returned.
        QCOMPARE(m->busyIndicator(), TFormMain::ImageBusy);
        QCOMPARE(child<LogPane>(m, "MemoError")->text(), QString());
        QVERIFY(waitUntil([m] { return m->busyIndicator() == TFormMain::ImageIdle; }));
        QCOMPARE(child<QTabWidget>(m, "PageControl1")->currentWidget()->objectName(),
                 QStringLiteral("TabList"));
    }

    void stopCommandEndsTheRun()
    {
        TFormMain *m = start();
        m->PrepareRun();
        QCOMPARE(m->busyIndicator(), TFormMain::ImageBusy);
        action(m, "S2")->trigger();
        QCOMPARE(m->busyIndicator(), TFormMain::ImageIdle);
        QCOMPARE(m->statusBarMain()->text(0), QStringLiteral("探索中止"));
        QCOMPARE(m->statusBarMain()->text(5), QStringLiteral("0 秒"));
    }

    // Without a clip the busy animation still shows: a still frame when idle,
    // moving frames while work runs, and the same still frame after it.
    void busyAnimationShowsWork()
    {
        TFormMain *m = start();
        QWidget *animate = child<QWidget>(m, "Animate1");
        QCOMPARE(animate->size(), QSize(60, 35));
        const QImage still = animate->grab().toImage();
        // A blank control is one colour all over: its corner pixel, spread out.
        QVERIFY2(still.copy(0, 0, 1, 1).scaled(still.size()) != still,
                 "the idle animation shows nothing");
        m->PrepareRun();
        QTRY_VERIFY(animate->grab().toImage() != still);
        const QImage moving = animate->grab().toImage();
        QTRY_VERIFY(animate->grab().toImage() != moving);
        // Unseen, it stops waking the program, and goes on when shown again.
        auto *frameTimer = animate->findChild<QTimer *>();
        QVERIFY(frameTimer->isActive());
        m->hide();
        QVERIFY(!frameTimer->isActive());
        m->show();
        QVERIFY(frameTimer->isActive());
        action(m, "S2")->trigger();
        QCOMPARE(animate->grab().toImage(), still);
    }

    // The busy animation repaints only itself ten times a second, and
    // still looks drawn on the tool bar: the strip at its left, where no
    // frame draws, shows what the idle control showed there.
    void runningAnimationRepaintsOnlyItself()
    {
        TFormMain *m = start();
        m->show();
        QVERIFY(QTest::qWaitForWindowExposed(m));
        QWidget *animate = child<QWidget>(m, "Animate1");
        auto strip = [&] {
            return QRect(animate->mapTo(m, QPoint()), QSize(6, animate->height()));
        };
        const QImage idle = m->grab(strip()).toImage();
        auto framesRepaintOnlyTheControl = [&] {
            PaintCounter settle(animate); // the first frame may still paint the bar
            if (!QTest::qWaitFor([&] { return settle.count >= 2; }))
                return false;
            PaintCounter bar(child<QWidget>(m, "ToolBar1"));
            PaintCounter window(m);
            PaintCounter frames(animate);
            return QTest::qWaitFor([&] { return frames.count >= 3; }) &&
                   !bar.paintedOver(animate) && !window.paintedOver(animate);
        };
        m->PrepareRun();
        QVERIFY(framesRepaintOnlyTheControl());
        QCOMPARE(m->grab(strip()).toImage(), idle);
        // What lies beneath is taken afresh when the window changes.
        m->resize(m->width() + 40, m->height());
        QVERIFY(framesRepaintOnlyTheControl());
        QCOMPARE(m->grab(strip()).toImage(), idle);
        action(m, "S2")->trigger();
        QCOMPARE(m->grab(strip()).toImage(), idle);
    }

    void statusPanelTextRepaintsOnlyThePanel()
    {
        TFormMain *m = start();
        m->show();
        QVERIFY(QTest::qWaitForWindowExposed(m));
        auto *panel = child<QLabel>(m, "STB_3");
        PaintCounter own(panel);
        // The first text lands after the window's own first paints.
        m->statusBarMain()->setText(3, QStringLiteral("URL : 11"));
        QTRY_VERIFY(own.count >= 1);
        PaintCounter bar(child<QWidget>(m, "STB"));
        PaintCounter window(m);
        own.count = 0;
        m->statusBarMain()->setText(3, QStringLiteral("URL : 12"));
        QTRY_VERIFY(own.count >= 1);
        QVERIFY(!bar.paintedOver(panel));
        QVERIFY(!window.paintedOver(panel));
    }

    void clearAllEmptiesStatusAndLogs()
    {
        TFormMain *m = start();
        m->ShowSystemPanes();
        m->statusBarMain()->setText(3, QStringLiteral("x"));
        m->statusBarSlots()->setText(5, QStringLiteral("y"));
        m->statusBarSlots()->setText(6, QStringLiteral("z"));
        m->LogNormal(QStringLiteral("n"));
        m->LogError(QStringLiteral("e"));
        action(m, "MenuAllClear")->trigger();
        QCOMPARE(m->statusBarMain()->text(3), QString());
        QCOMPARE(m->statusBarSlots()->text(5), QString());
        // Panels 0 to 5 only: the last panel of the second bar keeps its text.
        QCOMPARE(m->statusBarSlots()->text(6), QStringLiteral("z"));
        QCOMPARE(child<LogPane>(m, "MemoLog")->text(), QString());
        QCOMPARE(child<LogPane>(m, "MemoError")->text(), QString());
    }

    void altYRevealsTheSystemPanes()
    {
        TFormMain *m = start();
        m->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m));
        auto *system = child<QPushButton>(m, "Button3");
        QVERIFY(system->isVisible());
        QVERIFY(system->visibleRegion().isEmpty()); // out of sight
        QTest::keyClick(m->windowHandle(), Qt::Key_Y, Qt::AltModifier);
        // A shortcut presses the button visibly: the click lands a moment later.
        QVERIFY(waitUntil([&] { return tabVisible(m, "TabHTTP"); }, 2000));
        QVERIFY(tabVisible(m, "TabLog"));
        QVERIFY(m->statusBarSlots()->isVisible());
    }

    void homeCommandOnlyFillsTheAddress()
    {
        TFormMain *m = start();
        m_windows->setting()
            ->findChild<QLineEdit *>(QStringLiteral("EditStartURL"))
            ->setText(QStringLiteral("http://home.example/"));
        action(m, "H1")->trigger();
        QCOMPARE(child<QComboBox>(m, "ComboURL")->currentText(),
                 QStringLiteral("http://home.example/"));
        QVERIFY(!m->html()->engineStarted());
        QCOMPARE(m->busyIndicator(), TFormMain::ImageIdle);
    }

    void aboutBox()
    {
        TFormMain *m = start();
        QString title;
        QTimer::singleShot(50, this, [&] {
            QWidget *box = QApplication::activeModalWidget();
            QVERIFY(box != nullptr);
            title = box->windowTitle();
            QCOMPARE(box->size(), QSize(283, 279));
            QVERIFY(box->findChild<QLabel *>(QStringLiteral("ProductName"))->text() ==
                    QStringLiteral("ターンヴェイル"));
            box->findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
        });
        action(m, "About1")->trigger();
        QCOMPARE(title, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
        QCOMPARE(m_windows->version()->result(), 1);
    }

    void helpContentsAndKeywordFinder()
    {
        TFormMain *m = start();
        QVERIFY(m->helpFilePath().endsWith(QStringLiteral("/test_mainwindow.HLP")));
        QFile::remove(m->helpFilePath());
        QVERIFY(QFile::copy(QStringLiteral(VELLISK_SOURCE_DIR "/resources/vellisk.HLP"),
                            m->helpFilePath()));
        action(m, "Contents1")->trigger();
        auto *help = m->findChild<QWidget *>(QStringLiteral("HelpWindow"));
        QVERIFY(help && help->isVisible());
        auto *contents = help->findChild<QListWidget *>(QStringLiteral("HelpContents"));
        QVERIFY(contents->count() > 3);

        QTimer::singleShot(50, this, [] {
            QWidget *finder = QApplication::activeModalWidget();
            QVERIFY(finder != nullptr);
            finder->findChild<QLineEdit *>(QStringLiteral("HelpWord"))
                ->setText(QStringLiteral("プロキシ"));
            auto *keywords = finder->findChild<QListWidget *>(QStringLiteral("HelpKeywords"));
            QCOMPARE(keywords->count(), 1);
            emit keywords->itemActivated(keywords->item(0));
        });
        action(m, "K1")->trigger();
        QVERIFY(help->findChild<QTextBrowser *>(QStringLiteral("HelpText"))
                    ->toPlainText()
                    .startsWith(QStringLiteral("探索条件の設定")));
        QFile::remove(m->helpFilePath());
    }

    void helpManualFormat()
    {
        const HelpManual manual = HelpManual::parse(
            QStringLiteral("= Title\nintro\n== One\nkeywords: a, bb\nbody 1\n\n== Two\nbody 2\n"));
        QCOMPARE(manual.title, QStringLiteral("Title"));
        QCOMPARE(manual.introduction, QStringLiteral("intro"));
        QCOMPARE(manual.topics.size(), 2);
        QCOMPARE(manual.topics[0].keywords,
                 QStringList({QStringLiteral("a"), QStringLiteral("bb")}));
        QCOMPARE(manual.topics[1].body, QStringLiteral("body 2"));
        QCOMPARE(manual.find(QStringLiteral("B")), QList<int>({0}));
        QVERIFY(HelpManual::load(QStringLiteral("/nonexistent/x.HLP")).isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
