#include "crawl/thttp.h"
#include "settings/tformselectdir.h"
#include "settings/tformsetting.h"
#include "settingstestutil.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"
#include "testutils.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

template <typename T = QWidget> T *find(QWidget *window, const char *name)
{
    T *w = window->findChild<T *>(QLatin1String(name));
    if (w == nullptr)
        qFatal("no control %s", name);
    return w;
}

void type(QWidget *window, const char *name, const QString &text)
{
    auto *edit = find<QLineEdit>(window, name);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// Runs the main window's directory command and answers the chooser: from
// `base` into its subdirectory `pick`, ended with OK or cancelled.
void chooseDirectory(TFormMain *main, const QString &base, const QString &pick, bool ok)
{
    onNextChooser([base, pick, ok](TFormSelectDir *c) {
        QVERIFY(c->setDirectory(base));
        QVERIFY(waitForListing(c));
        QVERIFY(openDirectoryLine(c, pick));
        endChooser(c, ok);
    });
    find<QToolButton>(main, "BtDirectory")->click();
}

QString currentTab(TFormSetting *setting)
{
    return find<QTabWidget>(setting, "PageControl1")->currentWidget()->objectName();
}

} // namespace

class TestSettingsRestart : public QObject
{
    Q_OBJECT
private slots:
    void valuesSurviveCloseAndRestart();
    void changeWithoutCloseIsNotStored();
    void settingsCommandPicksTab();
    void homeCommandTakesStartURL();
    void directoryCommand();
};

void TestSettingsRestart::valuesSurviveCloseAndRestart()
{
    ConfigSandbox sandbox;
    QTemporaryDir tmp;
    const QString base = QDir(tmp.path()).canonicalPath();
    QDir(base).mkdir(QStringLiteral("pick"));
    {
        auto windows = createWindows();
        TFormSetting *s = windows->setting();
        s->showOnTab(QStringLiteral("TabWWW"));
        type(s, "EditMaxImage", QStringLiteral("500"));
        type(s, "EditStartURL", QStringLiteral("http://example.org/"));
        find<QRadioButton>(s, "RadioKekkaWWW1")->click();
        QTest::keyClick(find<QScrollBar>(s, "ScrollSpeed"), Qt::Key_End);
        find<QCheckBox>(s, "CheckGIF")->click();
        find<QCheckBox>(s, "CheckSize")->click();
        type(s, "EditMinSize", QStringLiteral("7"));
        type(s, "EditDirectory", base);
        find<QCheckBox>(s, "CheckProxy")->click();
        type(s, "EditIPAddress", QStringLiteral("127.0.0.1"));
        type(s, "EditPort", QStringLiteral("8080"));
        s->findChild<QAction *>(QStringLiteral("C1"))->trigger();
        QVERIFY(!s->isVisible());

        // The directory command fills EditStart; the next close stores it.
        chooseDirectory(windows->main(), base, QStringLiteral("pick"), true);
        QCOMPARE(s->startDirectory(), base + QStringLiteral("/pick"));
        s->showOnTab(QStringLiteral("TabHD"));
        s->close();
    }
    auto windows = createWindows();
    TFormSetting *s = windows->setting();
    QCOMPARE(s->editMaxImage(), QStringLiteral("500"));
    QCOMPARE(s->startURL(), QStringLiteral("http://example.org/"));
    QCOMPARE(s->radioKekkaWWW(), 1);
    QCOMPARE(s->radioKekka(), 0);
    QCOMPARE(s->scrollSpeed(), 6);
    QVERIFY(s->checkGIF() && s->checkJPEG() && !s->checkBMP());
    QVERIFY(!s->checkSize());
    QVERIFY(!find(s, "GroupSize")->isVisibleTo(find(s, "TabGazou")));
    QCOMPARE(s->editMinSize(), QStringLiteral("7"));
    QCOMPARE(s->editDirectory(), base);
    QCOMPARE(s->startDirectory(), base + QStringLiteral("/pick"));
    QVERIFY(s->proxyInUse());
    // The proxy reaches the new main window's HTTP controls at start-up.
    for (int i = 0; i < 7; ++i) {
        QVERIFY(windows->main()->http(i)->proxyInUse());
        QCOMPARE(windows->main()->http(i)->proxy().port(), 8080);
    }
    // The chooser opens where it was last closed.
    QCOMPARE(windows->selectDir()->directory(), base + QStringLiteral("/pick"));
}

void TestSettingsRestart::changeWithoutCloseIsNotStored()
{
    ConfigSandbox sandbox;
    {
        auto windows = createWindows();
        windows->setting()->showOnTab(QStringLiteral("TabWWW"));
        type(windows->setting(), "EditMaxURL", QStringLiteral("5000"));
        QCOMPARE(windows->setting()->editMaxURL(), QStringLiteral("5000"));
    }
    auto windows = createWindows();
    QCOMPARE(windows->setting()->editMaxURL(), QStringLiteral("100"));
}

void TestSettingsRestart::settingsCommandPicksTab()
{
    ConfigSandbox sandbox;
    auto windows = createWindows();
    TFormMain *main = windows->main();
    TFormSetting *s = windows->setting();
    QVERIFY(!main->isWWWMode());
    find<QToolButton>(main, "BtSettei")->click();
    QVERIFY(s->isVisible());
    QCOMPARE(currentTab(s), QStringLiteral("TabHD"));

    find<QToolButton>(main, "ToolBtWWW")->click();
    QVERIFY(main->isWWWMode());
    find<QToolButton>(main, "BtSettei")->click();
    QCOMPARE(currentTab(s), QStringLiteral("TabWWW"));
    // The menu's settings command is the same command.
    find<QTabWidget>(s, "PageControl1")->setCurrentIndex(2);
    main->findChild<QAction *>(QStringLiteral("T1"))->trigger();
    QCOMPARE(currentTab(s), QStringLiteral("TabWWW"));
    // The dialog does not block the main window.
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void TestSettingsRestart::homeCommandTakesStartURL()
{
    ConfigSandbox sandbox;
    auto windows = createWindows();
    windows->setting()->showOnTab(QStringLiteral("TabWWW"));
    type(windows->setting(), "EditStartURL", QStringLiteral("http://home.example/"));
    auto *url = find<QComboBox>(windows->main(), "ComboURL");
    url->setEditText(QStringLiteral("http://elsewhere/"));
    windows->main()->findChild<QAction *>(QStringLiteral("H1"))->trigger();
    QCOMPARE(url->currentText(), QStringLiteral("http://home.example/"));
}

void TestSettingsRestart::directoryCommand()
{
    ConfigSandbox sandbox;
    QTemporaryDir tmp;
    const QString base = QDir(tmp.path()).canonicalPath();
    QDir(base).mkdir(QStringLiteral("one"));
    QDir(base).mkdir(QStringLiteral("two"));
    auto windows = createWindows();
    TFormMain *main = windows->main();
    auto *combo = find<QComboBox>(main, "ComboDirectory");
    combo->setEditText(QStringLiteral("/unchanged"));
    const QString start = windows->setting()->startDirectory();

    // Cancelled: nothing changes.
    chooseDirectory(main, base, QStringLiteral("one"), false);
    QCOMPARE(combo->currentText(), QStringLiteral("/unchanged"));
    QCOMPARE(windows->setting()->startDirectory(), start);
    QCOMPARE(combo->count(), 0);

    // Chosen: the box, the settings' start directory and the drop-down list.
    chooseDirectory(main, base, QStringLiteral("one"), true);
    QCOMPARE(combo->currentText(), base + QStringLiteral("/one"));
    QCOMPARE(windows->setting()->startDirectory(), base + QStringLiteral("/one"));
    chooseDirectory(main, base, QStringLiteral("two"), true);
    chooseDirectory(main, base, QStringLiteral("one"), true);
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), base + QStringLiteral("/one"));
    QCOMPARE(combo->itemText(1), base + QStringLiteral("/two"));
    QCOMPARE(combo->currentText(), base + QStringLiteral("/one"));
}

QTEST_MAIN(TestSettingsRestart)
#include "test_settingsrestart.moc"
