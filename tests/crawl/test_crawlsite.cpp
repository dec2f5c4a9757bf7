// A whole crawl through the main window of a generated site that nginx
// serves, checked against what the site holds.
#include "components/logpane.h"
#include "crawl/linkextractor.h"
#include "filebytes.h"
#include "nginxserver.h"
#include "settings/tformsetting.h"
#include "shell/appwindows.h"
#include "shell/deferredlineedit.h"
#include "shell/tformmain.h"
#include "testsite.h"
#include "testutils.h"
#include "viewlines.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

// A list line split into its number, status word and URL.
struct Entry
{
    int number;
    QString status;
    QString url;
};

QList<Entry> entries(const QAbstractItemView *view)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4,})  (\\S+) +(\\S+)$"));
    QList<Entry> result;
    for (const QString &line : linesOf(view)) {
        const QRegularExpressionMatch m = form.match(line);
        if (!m.hasMatch())
            return {};
        result.append({m.captured(1).toInt(), m.captured(2), m.captured(3)});
    }
    return result;
}

} // namespace

class TestCrawlSite : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_sandbox = std::make_unique<ConfigSandbox>(); }
    void cleanup()
    {
        m_windows.reset();
        m_sandbox.reset();
    }
    void crawlOfAGeneratedSite();
    void stopAndCollectCommands();
    void settingChangedDuringARun();

private:
    template <typename T> T *child(const char *name) const
    {
        return m_windows->main()->findChild<T *>(QLatin1String(name));
    }
    QString panel(const char *name) const { return child<QLabel>(name)->text(); }
    QStringList memo(const char *name) const
    {
        return child<LogPane>(name)->text().split(QLatin1Char('\n'));
    }
    void start(const QString &url, const QString &saveDir, const QByteArray &more = QByteArray())
    {
        m_sandbox->writeSettings(
            "[Window]\r\nfmTarnvale.URL=" + url.toLatin1() +
            "\r\n[Setting]\r\nfmTarnvale.ToolBtWWW=1\r\nfmTarnvale.AutoDisp=7\r\n"
            "fmSetting.Directory=" +
            saveDir.toLocal8Bit() +
            "\r\nfmSetting.Speed=6\r\nfmSetting.MaxURL=1000\r\n"
            "fmSetting.MaxImage=1000\r\n" +
            more);
        m_windows = createWindows();
        m_windows->main()->resize(900, 640);
    }

    std::unique_ptr<ConfigSandbox> m_sandbox;
    std::unique_ptr<AppWindows> m_windows;
};

void TestCrawlSite::crawlOfAGeneratedSite()
{
    QTemporaryDir www;
    QTemporaryDir saveDir;
    TestSite::Options options;
    options.movedPage = true;
    NginxServer nginx(www.path(), TestSite::redirects(options));
    QVERIFY2(nginx.error().isEmpty(), qPrintable(nginx.error()));
    const QString port = QString::number(nginx.port());
    const TestSite site = TestSite::generate(QStringLiteral("127.0.0.1:") + port,
                                             QStringLiteral("127.0.0.2:") + port, options);
    QVERIFY(site.writeTo(www.path()));
    start(site.startURL(), saveDir.path());
    TFormMain *main = m_windows->main();
    // A source shown before (by the browser pane) goes when a transfer begins.
    child<QPlainTextEdit>("MemoSrc")->setPlainText(QStringLiteral("<html>old</html>"));
    // Lines carry the day they were listed: the day the crawl began, unless
    // it runs past midnight.
    const QString today = QDate::currentDate().toString(QStringLiteral("yy/MM/dd"));
    child<QToolButton>("BtTansaku")->click();
    QVERIFY(waitUntil([&] { return panel("STB_0") == QStringLiteral("探索終了"); }, 180000));
    QCOMPARE(child<QPlainTextEdit>("MemoSrc")->toPlainText(), QString());

    // The URL list: every page of the start host fetched, the broken ones
    // failed, the other host's listed and left alone; numbered from 0000.
    const QList<Entry> pages = entries(child<QAbstractItemView>("MemoLink"));
    QCOMPARE(pages.size(),
             site.pageURLs.size() + site.brokenPageURLs.size() + site.otherHostPageURLs.size());
    QCOMPARE(pages.first().url, site.startURL());
    QMap<QString, QString> pageStatus;
    for (int i = 0; i < pages.size(); ++i) {
        QCOMPARE(pages[i].number, i);
        pageStatus.insert(pages[i].url, pages[i].status);
    }
    for (const QString &url : site.pageURLs)
        QCOMPARE(pageStatus.value(url), QStringLiteral("終了"));
    for (const QString &url : site.brokenPageURLs)
        QCOMPARE(pageStatus.value(url), QStringLiteral("エラー"));
    for (const QString &url : site.otherHostPageURLs)
        QCOMPARE(pageStatus.value(url), QStringLiteral("----"));

    // The image list, and every saved file byte for byte under its number.
    const QList<Entry> images = entries(child<QAbstractItemView>("ImageLink"));
    QCOMPARE(images.size(), site.imageURLs.size() + site.brokenImageURLs.size());
    QStringList expectedListed;
    QStringList sizeRejected;
    QStringList ratioRejected;
    for (int i = 0; i < images.size(); ++i) {
        const Entry &e = images[i];
        QCOMPARE(e.number, i + 1);
        const QString path = saveDir.filePath(QString::asprintf("%4.4d.jpg", e.number));
        if (site.brokenImageURLs.contains(e.url)) {
            QCOMPARE(e.status, QStringLiteral("エラー"));
            QVERIFY(!QFile::exists(path));
            continue;
        }
        QCOMPARE(e.status, QStringLiteral("終了"));
        const QByteArray bytes = site.imageBytes.value(e.url);
        QVERIFY2(!bytes.isEmpty(), qPrintable(e.url));
        QCOMPARE(fileBytes(path), bytes);
        const QSize size = site.imageSizes.value(e.url);
        if (bytes.size() / 1000 < 5 || bytes.size() / 1000 > 120)
            sizeRejected.append(QStringLiteral("File Size ") + path);
        else if (2 < size.width() / size.height())
            ratioRejected.append(QStringLiteral("比率チェック ") + path);
        else
            expectedListed.append(today + QString::asprintf(" %8lld ", qint64(bytes.size())) +
                                  path);
    }
    QVERIFY(!sizeRejected.isEmpty() && !ratioRejected.isEmpty() && !expectedListed.isEmpty());
    QAbstractItemView *listImage = child<QAbstractItemView>("ListImage");
    QStringList listed = linesOf(listImage);
    listed.sort();
    expectedListed.sort();
    QCOMPARE(listed, expectedListed);
    // Only the last accepted line stays selected.
    const QModelIndexList selected = listImage->selectionModel()->selectedIndexes();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), listImage->model()->rowCount() - 1);

    // Panels and logs.
    QCOMPARE(panel("STB_1"), QStringLiteral("リンク : %1件").arg(pages.size() - 1));
    QCOMPARE(panel("STB_2"), QStringLiteral("画像 : %1件").arg(expectedListed.size()));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+ 秒$")).match(panel("STB_5")).hasMatch());
    QCOMPARE(child<QToolButton>("BtStop")->property("imageIndex").toInt(), TFormMain::ImageIdle);
    const QStringList log = memo("MemoLog");
    const QStringList errors = memo("MemoError");
    QCOMPARE(log.filter(QRegularExpression(QStringLiteral("^Found : "))).size(),
             site.pageURLs.size() + site.brokenPageURLs.size());
    QCOMPARE(log.count(QStringLiteral("  No Data")),
             site.brokenPageURLs.size() + site.brokenImageURLs.size());
    for (const QString &line : sizeRejected + ratioRejected)
        QVERIFY2(errors.contains(line), qPrintable(line));
    for (int i = 1; i <= 6; ++i)
        QVERIFY(errors.contains(QStringLiteral("Timer Start.... (%1)").arg(i)));
    QCOMPARE(errors.filter(QStringLiteral("転送エラー : ")).size(),
             site.brokenPageURLs.size() + site.brokenImageURLs.size());
    QVERIFY(errors.filter(QStringLiteral("Irigal URL")).isEmpty());
    QVERIFY(errors.filter(QStringLiteral("打ち切り")).isEmpty());

    // Pictures of the run for a person to look at.
    const QString shots = qEnvironmentVariable("VELLISK_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        main->pages()->setCurrentWidget(child<QWidget>("TabURL"));
        QTest::qWait(200);
        QVERIFY(main->grab().save(shots + QStringLiteral("/crawl-url-tab.png")));
        main->pages()->setCurrentWidget(child<QWidget>("TabList"));
        listImage->setCurrentIndex(listImage->model()->index(0, 0));
        main->ListImageClick();
        QTest::qWait(500);
        QVERIFY(main->grab().save(shots + QStringLiteral("/crawl-file-list.png")));
    }
}

void TestCrawlSite::stopAndCollectCommands()
{
    // A server that accepts and never answers keeps the run going.
    QTcpServer mute;
    QVERIFY(mute.listen(QHostAddress::LocalHost, 0));
    QTemporaryDir saveDir;
    const QString url = QStringLiteral("http://127.0.0.1:%1/index.html").arg(mute.serverPort());
    start(url, saveDir.path(), "fmSetting.CheckFileSave=7\r\n");
    TFormMain *main = m_windows->main();

    QCOMPARE(textOfMessageBoxFrom([&] { child<QToolButton>("BtSelect")->click(); }),
             QStringLiteral("画像のURLがありません"));

    child<QToolButton>("BtTansaku")->click();
    // A slot's address waits for its hidden page to be shown, then shows.
    auto *slot1 = child<DeferredLineEdit>("EditHttp1");
    QVERIFY(waitUntil([&] { return slot1->latestText() == url; }));
    QVERIFY(slot1->text().isEmpty());
    QCOMPARE(child<QLineEdit>("EditHttpURL")->text(), url);
    main->show();
    main->pages()->setCurrentWidget(child<QWidget>("TabHTTP"));
    QCOMPARE(slot1->text(), url);
    QCOMPARE(child<QToolButton>("BtStop")->property("imageIndex").toInt(), TFormMain::ImageBusy);
    child<QToolButton>("BtStop")->click();
    QCOMPARE(panel("STB_0"), QStringLiteral("探索中止"));
    QCOMPARE(panel("STB_5"), QStringLiteral("0 秒"));
    QCOMPARE(child<QToolButton>("BtStop")->property("imageIndex").toInt(), TFormMain::ImageIdle);
    for (int i = 1; i <= 6; ++i)
        QVERIFY(!main->findChild<QTimer *>(QStringLiteral("TimerF%1").arg(i))->isActive());

    // A stop pressed in the wait before the crawl begins is not lost.
    QSignalSpy fired(main->findChild<QTimer *>(QStringLiteral("TimerTansaku")), &QTimer::timeout);
    child<QToolButton>("BtTansaku")->click();
    child<QToolButton>("BtStop")->click();
    QVERIFY(fired.wait(2000));
    QCOMPARE(panel("STB_0"), QStringLiteral("探索中止"));
    QCOMPARE(child<QToolButton>("BtStop")->property("imageIndex").toInt(), TFormMain::ImageIdle);
    QVERIFY(!main->findChild<QTimer *>(QStringLiteral("TimerF1"))->isActive());

    // An address typed without a scheme is crawled as http, as "Web" would
    // show it: a slot asks for the start page.
    const QString typed = QStringLiteral("127.0.0.1:%1/typed.html").arg(mute.serverPort());
    child<QComboBox>("ComboURL")->setEditText(QLatin1Char(' ') + typed + QLatin1Char(' '));
    child<QToolButton>("BtTansaku")->click();
    QVERIFY(waitUntil([&] { return slot1->latestText() == QStringLiteral("http://") + typed; }));
    QCOMPARE(child<QLineEdit>("EditHttpURL")->text(), QStringLiteral("http://") + typed);
    child<QToolButton>("BtStop")->click();

    // With an image line but file saving off, the settings dialog opens on
    // its picture tab.
    main->links()->AddEntry(*main->links()->imageList(), "http://127.0.0.1/a.jpg");
    QCOMPARE(textOfMessageBoxFrom([&] { child<QToolButton>("BtSelect")->click(); }),
             QStringLiteral("画像を保存するディレクトリを指定してください"));
    QWidget *setting = m_windows->setting();
    QVERIFY(setting->isVisible());
    QCOMPARE(setting->findChild<QTabWidget *>()->currentWidget()->objectName(),
             QStringLiteral("TabGazou"));
}

// The crawl sees a setting changed in the dialog at its next use of it.
void TestCrawlSite::settingChangedDuringARun()
{
    QTemporaryDir www;
    QTemporaryDir saveDir;
    NginxServer nginx(www.path());
    QVERIFY2(nginx.error().isEmpty(), qPrintable(nginx.error()));
    const QString port = QString::number(nginx.port());
    const TestSite site =
        TestSite::generate(QStringLiteral("127.0.0.1:") + port, QStringLiteral("127.0.0.2:") + port,
                           TestSite::Options{});
    QVERIFY(site.writeTo(www.path()));
    start(site.startURL(), saveDir.path(), "fmSetting.Speed=1\r\nfmSetting.CheckFileSave=7\r\n");
    child<QToolButton>("BtTansaku")->click();
    QVERIFY(waitUntil(
        [&] { return memo("MemoLog").contains(QStringLiteral("Found : ") + site.startURL()); }));
    m_windows->setting()
        ->findChild<QLineEdit *>(QStringLiteral("EditMaxURL"))
        ->setText(QStringLiteral("1"));
    QVERIFY(waitUntil([&] { return panel("STB_0") == QStringLiteral("探索終了"); }, 60000));
    QCOMPARE(memo("MemoLog").filter(QStringLiteral("Found : ")).size(), 1);
    QVERIFY(memo("MemoError").filter(QStringLiteral("Timer Start")).size() == 1);
}

QTEST_MAIN(TestCrawlSite)
#include "test_crawlsite.moc"
