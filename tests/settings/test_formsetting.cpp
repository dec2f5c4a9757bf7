#include "crawl/thttp.h"
#include "settings/tformselectdir.h"
#include "settings/tformsetting.h"
#include "settingstestutil.h"
#include "shell/fonts.h"
#include "testutils.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// The dialog as the program creates it: with the chooser and seven HTTP
// controls, inside a private settings file.
struct Dialog
{
    explicit Dialog(const QByteArray &stored = QByteArray())
    {
        if (!stored.isEmpty())
            sandbox.writeSettings(stored);
        for (int i = 0; i < 7; ++i)
            http.append(new THTTP(&owner));
        chooser = std::make_unique<TFormSelectDir>();
        setting = std::make_unique<TFormSetting>(chooser.get(), [this](const ProxyChoice &proxy) {
            for (THTTP *control : std::as_const(http))
                control->applyProxy(proxy);
        });
    }
    template <typename T = QWidget> T *get(const QString &name) const
    {
        T *w = setting->findChild<T *>(name);
        if (w == nullptr)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    QString text(const QString &name) const { return get<QLineEdit>(name)->text(); }
    bool checked(const QString &name) const { return get<QCheckBox>(name)->isChecked(); }
    // Shown on its tab page (a page in the background hides everything on it).
    bool shown(const QString &name) const
    {
        QWidget *w = get(name);
        QWidget *page = w;
        while (page != nullptr && !page->objectName().startsWith(QLatin1String("Tab")))
            page = page->parentWidget();
        return page != nullptr && w->isVisibleTo(page);
    }
    QString status() const { return get<QLabel>(QStringLiteral("StatusBar1_0"))->text(); }
    void type(const QString &name, const QString &keys) const
    {
        auto *edit = get<QLineEdit>(name);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, keys);
    }
    QString stored(const char *name) const
    {
        return storedValue(sandbox.settingsPath(), QStringLiteral("Setting"), QLatin1String(name));
    }

    ConfigSandbox sandbox;
    QObject owner;
    QList<THTTP *> http;
    std::unique_ptr<TFormSelectDir> chooser;
    std::unique_ptr<TFormSetting> setting;
};

QByteArray settingLines(const QByteArray &lines)
{
    return "[Setting]\n" + lines;
}

} // namespace

class TestFormSetting : public QObject
{
    Q_OBJECT
private slots:
    void emptyStoreDefaults();
    void firstRunSaveDirectoryCanBeWritten();
    void storedValuesApplied();
    void conditionsReadAtTheCall();
    void visibilityRules_data();
    void visibilityRules();
    void storedFlagsRunTheRules();
    void editChecks_data();
    void editChecks();
    void storedTextsChecked_data();
    void storedTextsChecked();
    void speedShowsPosition_data();
    void speedShowsPosition();
    void gaibuAndDBSaveForcedOff();
    void proxyAppliedToAllControls();
    void badPortLeavesControls_data();
    void badPortLeavesControls();
    void badPortAtCreation();
    void makeDirectory_data();
    void makeDirectory();
    void chooserButtons_data();
    void chooserButtons();
    void closeWritesEveryValueInOrder();
    void everyControlHasRoom();
    void extrasStartOffAndOneClickSetsThem();
};

void TestFormSetting::emptyStoreDefaults()
{
    Dialog d;
    TFormSetting *s = d.setting.get();
    QCOMPARE(s->windowTitle(), QStringLiteral("ユーザー設定"));
    QCOMPARE(s->pos(), QPoint(518, 105));
    // 487 x 330 below the menu, or as much more as the fonts need.
    QVERIFY(s->width() >= 487 && s->width() < 520);
    QVERIFY(s->height() - s->menuBar()->sizeHint().height() >= 330);
    QVERIFY(!s->isVisible());

    auto *tabs = d.get<QTabWidget>(QStringLiteral("PageControl1"));
    QStringList tabNames, tabTexts;
    for (int i = 0; i < tabs->count(); ++i) {
        tabNames.append(tabs->widget(i)->objectName());
        tabTexts.append(tabs->tabText(i));
    }
    QCOMPARE(tabNames, (QStringList{QStringLiteral("TabWWW"), QStringLiteral("TabHD"),
                                    QStringLiteral("TabGazou"), QStringLiteral("TabNetwork"),
                                    QStringLiteral("TabExtra")}));
    QCOMPARE(tabTexts, (QStringList{QStringLiteral("探索設定(WWW)"), QStringLiteral("探索設定(HD)"),
                                    QStringLiteral("画像設定"), QStringLiteral("ネットワーク"),
                                    QStringLiteral("拡張設定")}));
    QCOMPARE(s->findChild<QAction *>(QStringLiteral("C1"))->text(), QStringLiteral("閉じる(&C)"));

    const std::pair<const char *, const char16_t *> texts[] = {
        {"EditStartURL", u"http://"}, {"EditMaxImage", u"20"}, {"EditMaxURL", u"100"},
        {"EditUchikiri", u"20"},      {"EditLinkMax", u"3"},   {"EditStart", u"/"},
        {"EditMinSize", u"5"},        {"EditMaxSize", u"120"}, {"EditHiritsu", u"200"},
        {"EditIPAddress", u""},       {"EditPort", u""},       {"EditHeight", u"1000"},
        {"EditWidth", u"800 "},       {"LabelSpeed", u"4"}};
    for (const auto &[name, text] : texts) {
        QWidget *w = d.get(QLatin1String(name));
        const QString shown = qobject_cast<QLineEdit *>(w) ? static_cast<QLineEdit *>(w)->text()
                                                           : static_cast<QLabel *>(w)->text();
        QVERIFY2(shown == QString::fromUtf16(text), name);
    }
    QCOMPARE(d.text(QStringLiteral("EditDirectory")), QCoreApplication::applicationDirPath());
    QCOMPARE(s->editDirectory(), QCoreApplication::applicationDirPath());

    const std::pair<const char *, bool> checks[] = {{"CheckJPEG", true},    {"CheckGIF", false},
                                                    {"CheckBMP", false},    {"CheckSize", true},
                                                    {"CheckHiritsu", true}, {"CheckFileSave", true},
                                                    {"CheckProxy", false},  {"CheckGaibu", false},
                                                    {"CheckDBSave", false}, {"CheckLinkMax", true}};
    for (const auto &[name, on] : checks)
        QVERIFY2(d.checked(QLatin1String(name)) == on, name);
    const SearchConditions c = s->conditions();
    QVERIFY(c.imageTypes.jpeg && !c.imageTypes.gif && !c.imageTypes.bmp);
    QVERIFY(c.checkSize && c.checkRatio && c.saveToFile && !c.proxyOn);
    QCOMPARE(c.saveDirectory, QCoreApplication::applicationDirPath());
    QCOMPARE(c.urlMaximum(), 100);
    QCOMPARE(c.imageMaximum(), 20);
    QCOMPARE(c.cutOffSeconds(), 20);
    QCOMPARE(c.speed, 4);
    QVERIFY(!c.clearDiskResults && !c.clearWWWResults);

    // Both result choices on "結果を累積する", the dialog's own initial item notwithstanding.
    QCOMPARE(s->radioKekka(), 0);
    QCOMPARE(s->radioKekkaWWW(), 0);
    QVERIFY(d.get<QRadioButton>(QStringLiteral("RadioKekka0"))->isChecked());
    QCOMPARE(d.get<QRadioButton>(QStringLiteral("RadioKekka0"))->text(),
             QStringLiteral("結果を累積する"));
    QCOMPARE(d.get<QRadioButton>(QStringLiteral("RadioKekkaWWW1"))->text(),
             QStringLiteral("毎回クリアする"));
    QCOMPARE(s->scrollSpeed(), 4);
    QCOMPARE(d.get<QScrollBar>(QStringLiteral("ScrollSpeed"))->minimum(), 1);
    QCOMPARE(d.get<QScrollBar>(QStringLiteral("ScrollSpeed"))->maximum(), 6);

    for (const char *hidden : {"LabelIP", "LabelPort", "EditIPAddress", "EditPort", "CheckLinkMax",
                               "EditLinkMax", "GroupDB", "GroupHr"})
        QVERIFY2(!d.shown(QLatin1String(hidden)), hidden);
    for (const char *visible : {"GroupDirectory", "GroupSize", "GroupHiritsu"})
        QVERIFY2(d.shown(QLatin1String(visible)), visible);
    QVERIFY(!s->proxyInUse());
    for (THTTP *http : d.http)
        QVERIFY(!http->proxyInUse());

    const std::pair<const char *, const char16_t *> captions[] = {
        {"Button3", u"設定(&U)"},
        {"Button4", u"設定(&S)"},
        {"Button7", u"ﾃﾞｨﾚｸﾄﾘ作成"},
        {"Button6", u"更新(&U)"},
        {"CheckGaibu", u"外部リンクを追う"},
        {"CheckLinkMax", u"リンク先MAXの設定"},
        {"CheckFileSave", u"ファイルへ保存する"},
        {"CheckDBSave", u"DBへ保存する"},
        {"CheckSize", u"サイズチェック"},
        {"CheckHiritsu", u"比率チェック"},
        {"CheckProxy", u"利用する"}};
    for (const auto &[name, caption] : captions)
        QVERIFY2(d.get<QAbstractButton>(QLatin1String(name))->text() == QString::fromUtf16(caption),
                 name);
    QCOMPARE(d.get<QGroupBox>(QStringLiteral("GroupSize"))->title(),
             QStringLiteral("ファイルサイズの範囲"));
    QCOMPARE(d.get<QGroupBox>(QStringLiteral("GroupHiritsu"))->title(), QStringLiteral("縦横比率"));
    QCOMPARE(d.get<QGroupBox>(QStringLiteral("RadioKekkaWWW"))->title(),
             QStringLiteral("探索結果(WWW)"));
    QCOMPARE(d.get<QGroupBox>(QStringLiteral("RadioKekka"))->title(), QStringLiteral("探索結果"));
}

// A build tree saves beside the program. An installed program, even one its
// user may write beside, saves into a folder of its own in the user's
// pictures, never among the pictures themselves.
void TestFormSetting::firstRunSaveDirectoryCanBeWritten()
{
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    QCOMPARE(SearchSetting::saveDirectoryFor(bin), bin);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) +
                           QStringLiteral("/Vellisk");
    QCOMPARE(SearchSetting::saveDirectoryFor(prefix.filePath(QStringLiteral("no-such-bin"))),
             folder);
    QVERIFY(QDir().mkpath(prefix.filePath(QStringLiteral("share/vellisk"))));
    QCOMPARE(SearchSetting::saveDirectoryFor(bin), folder);
}

void TestFormSetting::storedValuesApplied()
{
    Dialog d(settingLines("fmSetting.Kekka=1\nfmSetting.KekkaWWW=5\nfmSetting.Speed=2\n"
                          "fmSetting.MaxURL=5000\nfmSetting.MaxImage=500\nfmSetting.Uchikiri=9\n"
                          "fmSetting.Start=/srv\nfmSetting.StartURL=http://example.org/\n"
                          "fmSetting.CheckJpeg=7\nfmSetting.CheckGif=1\nfmSetting.CheckBmp=1\n"
                          "fmSetting.Directory=/tmp/pictures\nfmSetting.Hiritsu=150\n"
                          "fmSetting.MinSize=10\nfmSetting.MaxSize=2000\nfmSetting.Width=640\n"
                          "fmSetting.IPAddress=proxy.local\nfmSetting.Port=3128\n"
                          "[Window]\nfmSetting.Left=30\nfmSetting.Top=40\n"));
    TFormSetting *s = d.setting.get();
    QCOMPARE(s->pos(), QPoint(30, 40));
    QCOMPARE(s->radioKekka(), 1);
    QCOMPARE(s->radioKekkaWWW(), 1); // an item beyond the last picks the last
    QCOMPARE(s->scrollSpeed(), 2);
    QCOMPARE(d.get<QLabel>(QStringLiteral("LabelSpeed"))->text(), QStringLiteral("2"));
    const SearchConditions c = s->conditions();
    QVERIFY(c.clearDiskResults && c.clearWWWResults);
    QCOMPARE(c.speed, 2);
    QCOMPARE(c.urlMaximum(), 5000);
    QCOMPARE(c.imageMaximum(), 500);
    QCOMPARE(c.cutOffSeconds(), 9);
    QCOMPARE(c.startDirectory, QStringLiteral("/srv"));
    QCOMPARE(c.startURL, QStringLiteral("http://example.org/"));
    QVERIFY(!c.imageTypes.jpeg && c.imageTypes.gif && c.imageTypes.bmp);
    QCOMPARE(c.saveDirectory, QStringLiteral("/tmp/pictures"));
    QCOMPARE(c.ratioLimit(), std::optional<int>(150));
    QCOMPARE(c.minimumKB(), 10);
    QCOMPARE(c.maximumKB(), 2000);
    QCOMPARE(c.widthLimit, QStringLiteral("640"));
    QCOMPARE(c.proxyHost, QStringLiteral("proxy.local"));
    QCOMPARE(c.proxyPort, QStringLiteral("3128"));
}

// Each call reads the controls as they stand; text that holds no integer
// takes the readers' fall-backs while the text itself is kept for messages.
void TestFormSetting::conditionsReadAtTheCall()
{
    Dialog d;
    d.setting->showOnTab(QStringLiteral("TabWWW"));
    d.type(QStringLiteral("EditMaxURL"), QStringLiteral("abc"));
    d.type(QStringLiteral("EditMaxImage"), QStringLiteral("many"));
    d.type(QStringLiteral("EditUchikiri"), QStringLiteral("soon"));
    SearchConditions c = d.setting->conditions();
    QCOMPARE(c.urlMaximum(), -1);
    QCOMPARE(c.maxURL.text, QStringLiteral("abc"));
    QCOMPARE(c.imageMaximum(), -1);
    QCOMPARE(c.cutOffSeconds(), 60);

    d.type(QStringLiteral("EditUchikiri"), QStringLiteral("0x1A"));
    d.get<QLineEdit>(QStringLiteral("EditHiritsu"))->clear();
    d.get<QCheckBox>(QStringLiteral("CheckGIF"))->click();
    d.get<QRadioButton>(QStringLiteral("RadioKekkaWWW1"))->click();
    c = d.setting->conditions();
    QCOMPARE(c.cutOffSeconds(), 26);
    QCOMPARE(c.ratioLimit(), std::nullopt);
    QVERIFY(c.imageTypes.gif && c.clearWWWResults);

    // A proxy port that is no port gives no proxy to hand on.
    d.get<QCheckBox>(QStringLiteral("CheckProxy"))->click();
    d.type(QStringLiteral("EditPort"), QStringLiteral("70000"));
    QVERIFY(!d.setting->conditions().proxyChoice());
    d.type(QStringLiteral("EditPort"), QStringLiteral("3128"));
    QCOMPARE(d.setting->conditions().proxyChoice()->port, 3128);
}

void TestFormSetting::visibilityRules_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("dependents");
    QTest::newRow("CheckFileSave")
        << QStringLiteral("CheckFileSave") << QStringList{QStringLiteral("GroupDirectory")};
    QTest::newRow("CheckSize") << QStringLiteral("CheckSize")
                               << QStringList{QStringLiteral("GroupSize")};
    QTest::newRow("CheckHiritsu") << QStringLiteral("CheckHiritsu")
                                  << QStringList{QStringLiteral("GroupHiritsu")};
    QTest::newRow("CheckProxy") << QStringLiteral("CheckProxy")
                                << QStringList{
                                       QStringLiteral("LabelIP"), QStringLiteral("LabelPort"),
                                       QStringLiteral("EditIPAddress"), QStringLiteral("EditPort")};
}

void TestFormSetting::visibilityRules()
{
    QFETCH(QString, box);
    QFETCH(QStringList, dependents);
    Dialog d;
    d.setting->show();
    auto *check = d.get<QCheckBox>(box);
    for (int round = 0; round < 2; ++round) {
        check->click();
        const bool on = check->isChecked();
        for (const QString &name : dependents)
            QVERIFY2(d.shown(name) == on, qPrintable(name));
        if (box == QLatin1String("CheckProxy")) {
            // The flag follows at once; the HTTP controls wait for "更新(&U)".
            QCOMPARE(d.setting->proxyInUse(), on);
            for (THTTP *http : d.http)
                QVERIFY(!http->proxyInUse());
        }
    }
    // One rule serves both size boxes: each leaves the other's group alone.
    if (box == QLatin1String("CheckSize")) {
        d.get<QCheckBox>(QStringLiteral("CheckHiritsu"))->click();
        QVERIFY(d.shown(QStringLiteral("GroupSize")));
        QVERIFY(!d.shown(QStringLiteral("GroupHiritsu")));
    }
}

void TestFormSetting::storedFlagsRunTheRules()
{
    Dialog d(
        settingLines("fmSetting.CheckFileSave=7\nfmSetting.CheckSize=0\n"
                     "fmSetting.CheckHiritsu=1\nfmSetting.CheckProxy=1\nfmSetting.Port=8080\n"));
    QVERIFY(!d.shown(QStringLiteral("GroupDirectory")));
    QVERIFY(!d.shown(QStringLiteral("GroupSize")));
    QVERIFY(d.shown(QStringLiteral("GroupHiritsu")));
    QVERIFY(d.shown(QStringLiteral("EditIPAddress")));
    QVERIFY(d.shown(QStringLiteral("LabelPort")));
    QVERIFY(d.setting->proxyInUse());
}

void TestFormSetting::editChecks_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("link limit, not a number")
        << QStringLiteral("EditLinkMax") << QStringLiteral("1a") << QString();
    QTest::newRow("link limit, number")
        << QStringLiteral("EditLinkMax") << QStringLiteral("12") << QStringLiteral("12");
    QTest::newRow("min size, letter")
        << QStringLiteral("EditMinSize") << QStringLiteral("x") << QStringLiteral("5");
    QTest::newRow("min size, number")
        << QStringLiteral("EditMinSize") << QStringLiteral("30") << QStringLiteral("30");
    QTest::newRow("max size, letter")
        << QStringLiteral("EditMaxSize") << QStringLiteral("x") << QStringLiteral("120");
    QTest::newRow("max size, digits then letter")
        << QStringLiteral("EditMaxSize") << QStringLiteral("99k") << QStringLiteral("120");
    QTest::newRow("max images unchecked")
        << QStringLiteral("EditMaxImage") << QStringLiteral("500") << QStringLiteral("500");
    QTest::newRow("max URLs unchecked")
        << QStringLiteral("EditMaxURL") << QStringLiteral("5000") << QStringLiteral("5000");
    QTest::newRow("time-out takes text")
        << QStringLiteral("EditUchikiri") << QStringLiteral("abc") << QStringLiteral("abc");
    QTest::newRow("ratio, digits only")
        << QStringLiteral("EditHiritsu") << QStringLiteral("1a5") << QStringLiteral("15");
    QTest::newRow("ratio, three digits")
        << QStringLiteral("EditHiritsu") << QStringLiteral("12345") << QStringLiteral("123");
    QTest::newRow("height, four digits")
        << QStringLiteral("EditHeight") << QStringLiteral("12345") << QStringLiteral("1234");
    QTest::newRow("width, digits only")
        << QStringLiteral("EditWidth") << QStringLiteral("6-40") << QStringLiteral("640");
}

void TestFormSetting::editChecks()
{
    QFETCH(QString, edit);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    Dialog d;
    d.type(edit, typed);
    QCOMPARE(d.text(edit), expected);
}

void TestFormSetting::storedTextsChecked_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("expected");
    QTest::newRow("link limit emptied")
        << QByteArray("fmSetting.LinkMax=1a") << QStringLiteral("EditLinkMax") << QString();
    QTest::newRow("min size reset") << QByteArray("fmSetting.MinSize=abc")
                                    << QStringLiteral("EditMinSize") << QStringLiteral("5");
    QTest::newRow("empty max size reset") << QByteArray("fmSetting.MaxSize=")
                                          << QStringLiteral("EditMaxSize") << QStringLiteral("120");
    QTest::newRow("negative min size kept")
        << QByteArray("fmSetting.MinSize=-3") << QStringLiteral("EditMinSize")
        << QStringLiteral("-3");
    QTest::newRow("hex max size kept") << QByteArray("fmSetting.MaxSize=0x1A")
                                       << QStringLiteral("EditMaxSize") << QStringLiteral("0x1A");
}

void TestFormSetting::storedTextsChecked()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, edit);
    QFETCH(QString, expected);
    Dialog d(settingLines(line + '\n'));
    QCOMPARE(d.text(edit), expected);
}

void TestFormSetting::speedShowsPosition_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("position");
    QTest::newRow("stored 2") << QByteArray("2") << 2;
    QTest::newRow("above the bar") << QByteArray("9") << 6;
    QTest::newRow("below the bar") << QByteArray("0") << 1;
    QTest::newRow("not a number") << QByteArray("fast") << 4;
}

void TestFormSetting::speedShowsPosition()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, position);
    Dialog d(settingLines("fmSetting.Speed=" + stored + '\n'));
    auto *bar = d.get<QScrollBar>(QStringLiteral("ScrollSpeed"));
    auto *label = d.get<QLabel>(QStringLiteral("LabelSpeed"));
    QCOMPARE(bar->value(), position);
    QCOMPARE(label->text(), QString::number(position));
    QTest::keyClick(bar, Qt::Key_End);
    QCOMPARE(d.setting->scrollSpeed(), 6);
    QCOMPARE(label->text(), QStringLiteral("6"));
    QTest::keyClick(bar, Qt::Key_Home);
    QCOMPARE(label->text(), QStringLiteral("1"));
}

void TestFormSetting::gaibuAndDBSaveForcedOff()
{
    Dialog d(settingLines(
        "fmSetting.CheckGaibu=1\nfmSetting.CheckDBSave=1\nfmSetting.CheckLinkMax=1\n"));
    d.setting->show();
    for (const char *name : {"CheckGaibu", "CheckDBSave"}) {
        auto *box = d.get<QCheckBox>(QLatin1String(name));
        QVERIFY2(!box->isChecked() && !box->isEnabled(), name);
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY2(!box->isChecked(), name);
    }
    QVERIFY(!d.shown(QStringLiteral("CheckLinkMax")));
    QVERIFY(!d.shown(QStringLiteral("EditLinkMax")));
    QVERIFY(!d.shown(QStringLiteral("GroupDB")));
    d.setting->close();
    QCOMPARE(d.stored("fmSetting.CheckGaibu"), QStringLiteral("7"));
    QCOMPARE(d.stored("fmSetting.CheckDBSave"), QStringLiteral("7"));
    QCOMPARE(d.stored("fmSetting.CheckLinkMax"), QStringLiteral("1"));
}

void TestFormSetting::proxyAppliedToAllControls()
{
    Dialog d(settingLines(
        "fmSetting.CheckProxy=1\nfmSetting.IPAddress=10.0.0.8 \nfmSetting.Port=3128\n"));
    for (THTTP *http : d.http) {
        QVERIFY(http->proxyInUse());
        QCOMPARE(http->proxy().hostName(), QStringLiteral("10.0.0.8 ")); // not trimmed
        QCOMPARE(http->proxy().port(), 3128);
    }
    QVERIFY(d.setting->proxyInUse());

    // Off and "更新(&U)": the use flag goes from all seven.
    d.setting->show();
    d.get<QCheckBox>(QStringLiteral("CheckProxy"))->click();
    for (THTTP *http : d.http)
        QVERIFY(http->proxyInUse());
    QCOMPARE(d.status(), QString());
    d.get<QPushButton>(QStringLiteral("Button6"))->click();
    QCOMPARE(d.status(), QStringLiteral("プロキシ設定完了"));
    for (THTTP *http : d.http)
        QVERIFY(!http->proxyInUse());

    d.get<QCheckBox>(QStringLiteral("CheckProxy"))->click();
    d.type(QStringLiteral("EditPort"), QStringLiteral("8080"));
    d.get<QPushButton>(QStringLiteral("Button6"))->click();
    for (THTTP *http : d.http)
        QCOMPARE(http->proxy().port(), 8080);
}

void TestFormSetting::badPortLeavesControls_data()
{
    QTest::addColumn<QString>("port");
    QTest::newRow("letters") << QStringLiteral("80a");
    QTest::newRow("empty") << QString();
    QTest::newRow("beyond the port range") << QStringLiteral("70000");
}

void TestFormSetting::badPortLeavesControls()
{
    QFETCH(QString, port);
    Dialog d;
    for (THTTP *http : d.http)
        http->SetProxy(true, QStringLiteral("old"), 1);
    d.setting->show();
    d.get<QCheckBox>(QStringLiteral("CheckProxy"))->click();
    d.type(QStringLiteral("EditIPAddress"), QStringLiteral("new"));
    d.get<QLineEdit>(QStringLiteral("EditPort"))->setText(port);
    const QString message =
        textOfMessageBoxFrom([&] { d.get<QPushButton>(QStringLiteral("Button6"))->click(); });
    QCOMPARE(message, QStringLiteral("'%1' は整数ではありません").arg(port));
    for (THTTP *http : d.http) {
        QCOMPARE(http->proxy().hostName(), QStringLiteral("old"));
        QCOMPARE(http->proxy().port(), 1);
    }
    QCOMPARE(d.status(), QString());
    QVERIFY(d.setting->isVisible());
}

void TestFormSetting::badPortAtCreation()
{
    QString message;
    onNextMessageBox([&message](QMessageBox *box) {
        message = box->text();
        box->buttons().first()->click();
    });
    Dialog d(settingLines("fmSetting.CheckProxy=1\nfmSetting.IPAddress=h\nfmSetting.Port=x\n"));
    QCOMPARE(message, QStringLiteral("'x' は整数ではありません"));
    for (THTTP *http : d.http)
        QVERIFY(!http->proxyInUse());
    // The rest of the dialog came up as usual.
    QCOMPARE(d.text(QStringLiteral("EditPort")), QStringLiteral("x"));
    QVERIFY(!d.get<QCheckBox>(QStringLiteral("CheckGaibu"))->isEnabled());
    QVERIFY(d.setting->proxyInUse());
}

void TestFormSetting::makeDirectory_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("exists");
    QTest::newRow("new directory")
        << QStringLiteral("new") << QStringLiteral("ディレクトリ作成完了") << true;
    QTest::newRow("existing directory")
        << QStringLiteral("old") << QStringLiteral("ディレクトリ作成失敗") << true;
    QTest::newRow("missing parent")
        << QStringLiteral("none/new") << QStringLiteral("ディレクトリ作成失敗") << false;
    QTest::newRow("names a file") << QStringLiteral("file")
                                  << QStringLiteral("ディレクトリ作成失敗") << false;
}

void TestFormSetting::makeDirectory()
{
    QFETCH(QString, relative);
    QFETCH(QString, status);
    QFETCH(bool, exists);
    QTemporaryDir tmp;
    QDir(tmp.path()).mkdir(QStringLiteral("old"));
    QFile(tmp.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly);
    Dialog d;
    d.setting->show();
    const QString path = tmp.filePath(relative);
    d.type(QStringLiteral("EditDirectory"), path);
    d.get<QPushButton>(QStringLiteral("Button7"))->click();
    QCOMPARE(d.status(), status);
    QCOMPARE(QFileInfo(path).isDir(), exists);
    QVERIFY(!QFileInfo::exists(tmp.filePath(QStringLiteral("none"))));
}

void TestFormSetting::chooserButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("ok");
    QTest::newRow("start, chosen")
        << QStringLiteral("Button3") << QStringLiteral("EditStart") << true;
    QTest::newRow("start, cancelled")
        << QStringLiteral("Button3") << QStringLiteral("EditStart") << false;
    QTest::newRow("save, chosen") << QStringLiteral("Button4") << QStringLiteral("EditDirectory")
                                  << true;
    QTest::newRow("save, cancelled")
        << QStringLiteral("Button4") << QStringLiteral("EditDirectory") << false;
}

void TestFormSetting::chooserButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, edit);
    QFETCH(bool, ok);
    QTemporaryDir tmp;
    const QString base = QDir(tmp.path()).canonicalPath();
    QDir(base).mkdir(QStringLiteral("pick"));
    Dialog d;
    d.setting->show();
    d.type(edit, QStringLiteral("/before"));
    QVERIFY(d.chooser->setDirectory(base));
    onNextChooser([ok](TFormSelectDir *c) {
        QVERIFY(openDirectoryLine(c, QStringLiteral("pick")));
        endChooser(c, ok);
    });
    d.get<QPushButton>(button)->click();
    QCOMPARE(d.text(edit), ok ? base + QStringLiteral("/pick") : QStringLiteral("/before"));
    // A cancelled chooser still remembers where it was.
    QCOMPARE(storedValue(d.sandbox.settingsPath(), QStringLiteral("Window"),
                         QStringLiteral("fmSelectDir.Directory")),
             base + QStringLiteral("/pick"));
}

void TestFormSetting::closeWritesEveryValueInOrder()
{
    Dialog d;
    d.setting->show();
    d.setting->findChild<QAction *>(QStringLiteral("C1"))->trigger();
    QVERIFY(!d.setting->isVisible());
    const QByteArray bytes = d.sandbox.settingsBytes();
    QStringList window;
    for (const char *item : {"Left", "Top", "Width", "Height"})
        window.append(QStringLiteral("fmSetting.") + QLatin1String(item));
    QCOMPARE(storedNames(bytes, QStringLiteral("Window")), window);
    QStringList setting;
    for (const char *item :
         {"Speed",         "Kekka",     "KekkaWWW", "Start",      "StartURL",     "LinkMax",
          "MaxURL",        "MaxImage",  "Uchikiri", "CheckGaibu", "CheckLinkMax", "CheckProxy",
          "CheckDBSave",   "CheckJpeg", "CheckGif", "CheckBmp",   "CheckSize",    "CheckHiritsu",
          "CheckFileSave", "IPAddress", "Port",     "Directory",  "Height",       "Width",
          "Hiritsu",       "MaxSize",   "MinSize"})
        setting.append(QStringLiteral("fmSetting.") + QLatin1String(item));
    // The extras follow every name an older file holds, so it reads them unchanged.
    const QStringList names = storedNames(bytes, QStringLiteral("Setting"));
    QCOMPARE(names.mid(0, setting.size()), setting);
    for (const QString &extra : names.mid(setting.size()))
        QVERIFY2(extra.startsWith(QStringLiteral("fmSetting.Ext")), qPrintable(extra));
    QCOMPARE(d.stored("fmSetting.Width"), QStringLiteral("800 "));
    QCOMPARE(d.stored("fmSetting.Kekka"), QStringLiteral("0"));
    QCOMPARE(d.stored("fmSetting.Speed"), QStringLiteral("4"));
    QCOMPARE(d.stored("fmSetting.CheckJpeg"), QStringLiteral("1"));
    QCOMPARE(d.stored("fmSetting.CheckGif"), QStringLiteral("7"));
    QCOMPARE(d.stored("fmSetting.LinkMax"), QStringLiteral("3"));
    QCOMPARE(d.stored("fmSetting.Directory"), QCoreApplication::applicationDirPath());
    QCOMPARE(storedValue(d.sandbox.settingsPath(), QStringLiteral("Window"),
                         QStringLiteral("fmSetting.Width")),
             QString::number(d.setting->frameGeometry().width()));
}

// No edit, button or check box on any page is squeezed below what the
// style needs to draw it whole: the fonts that stand in for the Windows ones
// are taller, and a dialog of fixed size must still hold them.
void TestFormSetting::everyControlHasRoom()
{
    installJapaneseFontSubstitutes();
    Dialog d;
    TFormSetting *s = d.setting.get();
    s->show();
    QVERIFY(QTest::qWaitForWindowExposed(s));
    auto *tabs = d.get<QTabWidget>(QStringLiteral("PageControl1"));
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        const QList<QWidget *> controls = tabs->widget(i)->findChildren<QWidget *>();
        for (QWidget *w : controls) {
            if (!w->isVisible() ||
                !(qobject_cast<QLineEdit *>(w) || qobject_cast<QAbstractButton *>(w)))
                continue;
            if (w->height() < w->minimumSizeHint().height())
                QFAIL(qPrintable(QStringLiteral("%1 on page %2 is %3 high, needs %4")
                                     .arg(w->objectName(), tabs->tabText(i))
                                     .arg(w->height())
                                     .arg(w->minimumSizeHint().height())));
        }
    }
}

// The extras start off, so a first run behaves as before; one click on
// "今日のウェブに合わせる" turns on every box of its three groups, a second
// turns them off; each is stored under its own new name.
void TestFormSetting::extrasStartOffAndOneClickSetsThem()
{
    Dialog d;
    const SearchConditions first = d.setting->conditions();
    QVERIFY(!first.imageTypes.png && !first.imageTypes.webp && !first.imageTypes.avif);
    QVERIFY(!first.extra.srcset && !first.extra.magic && !first.extra.gifShow);
    auto *modern = d.get<QCheckBox>(QStringLiteral("CheckModernWeb"));
    QCOMPARE(modern->checkState(), Qt::Unchecked);

    QSignalSpy changed(d.setting.get(), &TFormSetting::conditionsChanged);
    modern->click();
    for (const char *name : {"CheckPNG", "CheckWebP", "CheckAVIF", "CheckJpegAlias",
                             "CheckQueryType", "CheckContentType", "CheckSrcset", "CheckCssImage",
                             "CheckMetaImage", "CheckMagic", "CheckPixelSize"})
        QVERIFY2(d.checked(QLatin1String(name)), name);
    QVERIFY(!d.checked(QStringLiteral("CheckGifShow")));
    QCOMPARE(modern->checkState(), Qt::Checked);
    d.get<QTabWidget>(QStringLiteral("PageControl1"))->setCurrentIndex(4);
    d.setting->show();
    grabForReview(d.setting.get(), QStringLiteral("settings-extra-tab"));
    const SearchConditions on = changed.last().at(0).value<SearchConditions>();
    QVERIFY(on.imageTypes.webp && on.extra.cssImage && on.extra.pixelSize);
    QCOMPARE(on.extra.minWidth, 50);

    d.get<QCheckBox>(QStringLiteral("CheckPNG"))->click();
    QCOMPARE(modern->checkState(), Qt::PartiallyChecked);
    modern->click(); // some on: all on
    QVERIFY(d.checked(QStringLiteral("CheckPNG")));
    modern->click();
    QVERIFY(!d.checked(QStringLiteral("CheckMagic")));
    QCOMPARE(modern->checkState(), Qt::Unchecked);

    d.get<QCheckBox>(QStringLiteral("CheckWebP"))->click();
    QVERIFY(!d.get<QLineEdit>(QStringLiteral("EditMinWidth"))->isEnabled());
    d.get<QCheckBox>(QStringLiteral("CheckPixelSize"))->click();
    d.type(QStringLiteral("EditMinWidth"), QStringLiteral("64"));
    d.setting->close();
    QCOMPARE(d.stored("fmSetting.ExtWebP"), QStringLiteral("1"));
    QCOMPARE(d.stored("fmSetting.ExtAVIF"), QStringLiteral("7"));
    QCOMPARE(d.stored("fmSetting.ExtMinWidth"), QStringLiteral("64"));
    Dialog again(d.sandbox.settingsBytes());
    QVERIFY(again.setting->conditions().imageTypes.webp);
    QCOMPARE(again.setting->conditions().extra.minWidth, 64);
}

QTEST_MAIN(TestFormSetting)
#include "test_formsetting.moc"
