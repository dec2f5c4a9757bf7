// The crawl engine without any window, against the scripted server.
#include "crawl/crawlengine.h"
#include "crawl/crawlreporter.h"
#include "crawl/linkextractor.h"
#include "filebytes.h"
#include "httpserver.h"
#include "reportrecorder.h"
#include "testsite.h"
#include "testtls.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

namespace {

using Response = TestHttpServer::Response;

using Recorder = ReportRecorder;

QStringList lines(LinkList *list)
{
    QStringList result;
    for (qsizetype row = 0; row < list->size(); ++row)
        result.append(list->lineText(row));
    return result;
}

QString line(int number, const QString &status, const QString &url)
{
    // The status word takes 8 bytes of Shift-JIS: a kanji counts two.
    return QString::asprintf("%4.4d  ", number) + status +
           QString(8 - EncodeShiftJis(status).size(), QLatin1Char(' ')) + QLatin1Char(' ') + url;
}

} // namespace

class TestCrawlEngine : public QObject
{
    Q_OBJECT

private:
    Recorder m_rec;
    SearchConditions m_conditions;
    std::unique_ptr<QTemporaryDir> m_saveDir;
    std::unique_ptr<CrawlEngine> m_engine;

    // Runs a crawl (or a collect run) to its end.
    bool run(const QString &startURL, int timeoutMs = 20000)
    {
        QSignalSpy finished(m_engine.get(), &CrawlEngine::runFinished);
        m_engine->setConditions(m_conditions);
        m_engine->PrepareRun();
        m_engine->StartCrawl(startURL);
        return finished.wait(timeoutMs);
    }
    LinkList *pages() const { return m_engine->links()->urlList(); }
    LinkList *images() const { return m_engine->links()->imageList(); }
    QString saved(int number, const char *ext = ".jpg") const
    {
        return m_saveDir->filePath(QString::asprintf("%4.4d", number) + QLatin1String(ext));
    }

private slots:
    void init();
    void cleanup();
    void speedOneTakesImagesBeforePages();
    void otherHostsAndBrokenLinks();
    void cutOffFailuresAndCapsMarkErrorAndGoOn();
    void endlessPageEndsAtItsCap();
    void imageThatCannotBeSavedIsNeverListed();
    void redirectsAreFollowed();
    void portsBeginningWith80AreKept();
    void japaneseNamesInUtf8AndShiftJisPages();
    void httpsCrawlKeepsTheScheme();
    void limits_data();
    void limits();
    void accumulatedSecondRunEndsAtOnce();
    void pagesAreTakenOnce();
    void sizeAndRatioChecks();
    void collectRun();
    void elapsedAcrossMidnight();
    void startAddressWithPort80();
    void imageMaximumIsACeiling();
    void startLinesListedEarlierAreCrawled();
};

void TestCrawlEngine::init()
{
    m_saveDir = std::make_unique<QTemporaryDir>();
    m_conditions = SearchConditions{};
    m_conditions.saveDirectory = m_saveDir->path();
    m_conditions.checkSize = false;
    m_conditions.speed = 6;
    m_rec = Recorder{};
    m_engine = std::make_unique<CrawlEngine>(&m_rec);
    m_engine->setTickInterval(20);
}

void TestCrawlEngine::cleanup()
{
    m_engine.reset();
    m_saveDir.reset();
}

void TestCrawlEngine::speedOneTakesImagesBeforePages()
{
    TestHttpServer server;
    const QByteArray jpeg = makeJpeg({40, 30}, 6000, 1);
    server.route("/index.html",
                 Response{200, {"<a href=a.html><img src=i1.jpg><a href=b.html><img src=i2.jpg>"}});
    server.route("/a.html", Response{200, {"<img src=i3.jpg>"}});
    server.route("/b.html", Response{200, {"<p>"}});
    for (const char *p : {"/i1.jpg", "/i2.jpg", "/i3.jpg"})
        server.route(p, Response{200, {jpeg}, "image/jpeg"});
    m_conditions.speed = 1;
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));

    // One slot, started once; later requests find no free slot.
    QCOMPARE(m_rec.errorsStarting(QStringLiteral("Timer Start")),
             QStringList{QStringLiteral("Timer Start.... (1)")});
    QVERIFY(m_rec.slotPanels.value(0).contains(QStringLiteral("No More Timer")));
    QVERIFY(m_rec.slotPanels.value(2).isEmpty());
    // Each image line found is taken before the next page.
    QStringList jobs;
    for (const QString &text : m_rec.slotPanels.value(1))
        if (text == QStringLiteral("IMAGE") || text == QStringLiteral("TEXT"))
            jobs.append(text);
    QCOMPARE(jobs, (QStringList{QStringLiteral("TEXT"), QStringLiteral("IMAGE"),
                                QStringLiteral("IMAGE"), QStringLiteral("TEXT"),
                                QStringLiteral("IMAGE"), QStringLiteral("TEXT")}));
    QCOMPARE(m_rec.panel(0), QStringLiteral("探索終了"));
    QVERIFY(m_rec.panels.value(0).contains(QStringLiteral("All Timer End")));
    QCOMPARE(m_rec.slotPanels.value(1).last(), QStringLiteral("----"));
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(fileBytes(saved(n)), jpeg);
    QCOMPARE(m_rec.listed.size(), 3);
    QCOMPARE(m_rec.autoDisplays, 3);
    QCOMPARE(m_rec.panel(2), QStringLiteral("画像 : 3件"));
    QCOMPARE(m_rec.panel(1), QStringLiteral("リンク : 2件"));
    QCOMPARE(m_engine->downloadedCount(), 3);
}

void TestCrawlEngine::otherHostsAndBrokenLinks()
{
    TestHttpServer server;
    TestHttpServer otherServer; // another host: another port
    const QString other = otherServer.url(QString());
    server.route("/index.html",
                 Response{200,
                          {"<a href=gone.html><a href=empty.html><a href=" + other.toLatin1() +
                           "/x.html><img src=" + other.toLatin1() + "/o.jpg><img src=lost.jpg>"}});
    server.route("/empty.html", Response{200, {}});
    otherServer.route("/o.jpg", Response{200, {"not really a picture"}, "image/jpeg"});
    m_conditions.saveToFile = false;
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    const QString a = server.url(QString());
    QCOMPARE(lines(pages()),
             (QStringList{line(0, QStringLiteral("終了"), a + QStringLiteral("/index.html")),
                          line(1, QStringLiteral("エラー"), a + QStringLiteral("/gone.html")),
                          line(2, QStringLiteral("エラー"), a + QStringLiteral("/empty.html")),
                          line(3, QStringLiteral("----"), other + QStringLiteral("/x.html"))}));
    // Without file saving no image is fetched.
    QCOMPARE(lines(images()),
             (QStringList{line(1, QStringLiteral("----"), other + QStringLiteral("/o.jpg")),
                          line(2, QStringLiteral("----"), a + QStringLiteral("/lost.jpg"))}));
    QCOMPARE(m_rec.normal.count(QStringLiteral("  No Data")), 2);
    QCOMPARE(m_rec.errorsStarting(QStringLiteral("転送エラー : ")).size(),
             1); // the 404; the empty page is no error
    QVERIFY(m_rec.errorsStarting(QStringLiteral("転送エラー : "))
                .first()
                .contains(QStringLiteral("gone.html")));
    QCOMPARE(m_rec.normal.filter(QStringLiteral("Found : ")).size(), 3);
    QCOMPARE(m_rec.panel(0), QStringLiteral("探索終了"));

    // With saving on, images on either host are fetched under their numbers.
    m_conditions.saveToFile = true;
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(lines(images()),
             (QStringList{line(1, QStringLiteral("終了"), other + QStringLiteral("/o.jpg")),
                          line(2, QStringLiteral("エラー"), a + QStringLiteral("/lost.jpg"))}));
    QCOMPARE(fileBytes(saved(1)), QByteArray("not really a picture"));
    QVERIFY(!QFile::exists(saved(2)));
    QCOMPARE(m_rec.listed.size(), 1); // unmeasurable pictures pass the ratio check
}

void TestCrawlEngine::cutOffFailuresAndCapsMarkErrorAndGoOn()
{
    TestHttpServer server;
    Response silent;
    silent.silent = true;
    Response dropped{200, {QByteArray(3000, 'x')}, "image/jpeg"};
    dropped.declaredLength = 10000;
    Response hugeImage{200, {QByteArray(1000, 'b')}, "image/jpeg"};
    hugeImage.declaredLength = CrawlEngine::ImageCap + 1;
    server.route(
        "/index.html",
        Response{200, {"<img src=hang.jpg><img src=drop.jpg><img src=huge.jpg><img src=ok.jpg>"}});
    server.route("/hang.jpg", silent);
    server.route("/drop.jpg", dropped);
    server.route("/huge.jpg", hugeImage);
    server.route("/ok.jpg", Response{200, {"fine"}, "image/jpeg"});
    // One second of grace: on a loaded machine a quick answer may take longer
    // than a tick or two.
    m_conditions.cutOff = NumberText::from(QStringLiteral("1"));
    m_conditions.checkRatio = false;
    QVERIFY(run(server.url(QStringLiteral("/index.html")), 60000));
    const QString a = server.url(QString());
    QCOMPARE(lines(images()),
             (QStringList{line(1, QStringLiteral("エラー"), a + QStringLiteral("/hang.jpg")),
                          line(2, QStringLiteral("エラー"), a + QStringLiteral("/drop.jpg")),
                          line(3, QStringLiteral("エラー"), a + QStringLiteral("/huge.jpg")),
                          line(4, QStringLiteral("終了"), a + QStringLiteral("/ok.jpg"))}));
    QCOMPARE(m_rec.errorsStarting(QStringLiteral("打ち切り(URL) : ")),
             QStringList{QStringLiteral("打ち切り(URL) : ") + a + QStringLiteral("/hang.jpg")});
    const QStringList failures = m_rec.errorsStarting(QStringLiteral("転送エラー : "));
    QCOMPARE(failures.size(), 2);
    QVERIFY(failures.filter(QStringLiteral("/drop.jpg")).size() == 1);
    // No partial file under a numbered name, only the whole one.
    QCOMPARE(QDir(m_saveDir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("0004.jpg")});
    QCOMPARE(m_rec.listed.size(), 1);
    QCOMPARE(m_engine->downloadedCount(), 1);
}

// A page that never ends is stopped at the page cap, not by the cut-off: it
// gets the cut-off's full default grace, so a slow machine cannot turn the
// cap into a cut-off.
void TestCrawlEngine::endlessPageEndsAtItsCap()
{
    TestHttpServer server;
    Response endless{200, {QByteArray(1 << 20, 'a')}};
    endless.chunkedEncoding = true;
    endless.endless = true;
    server.route("/index.html", Response{200, {"<a href=endless.html>"}});
    server.route("/endless.html", endless);
    QVERIFY(run(server.url(QStringLiteral("/index.html")), 120000));
    QCOMPARE(lines(pages()).last(),
             line(1, QStringLiteral("エラー"), server.url(QStringLiteral("/endless.html"))));
    QVERIFY(m_rec.errorsStarting(QStringLiteral("打ち切り(URL) : ")).isEmpty());
    const QStringList failures = m_rec.errorsStarting(QStringLiteral("転送エラー : "));
    QCOMPARE(failures.size(), 1);
    QVERIFY2(failures.first().contains(QStringLiteral("/endless.html")) &&
                 failures.first().contains(QString::number(CrawlEngine::PageCap)),
             qPrintable(failures.first()));
}

void TestCrawlEngine::imageThatCannotBeSavedIsNeverListed()
{
    TestHttpServer server;
    server.route("/index.html", Response{200, {"<img src=a.jpg>"}});
    server.route("/a.jpg", Response{200, {"picture"}, "image/jpeg"});
    m_conditions.saveDirectory = m_saveDir->filePath(QStringLiteral("missing"));
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(lines(images()),
             QStringList{line(1, QStringLiteral("エラー"), server.url(QStringLiteral("/a.jpg")))});
    const QStringList failures = m_rec.errorsStarting(QStringLiteral("保存エラー : "));
    QCOMPARE(failures.size(), 1);
    QVERIFY2(failures.first().contains(m_conditions.saveDirectory + QStringLiteral("/0001.jpg")),
             qPrintable(failures.first()));
    QVERIFY(m_rec.listed.isEmpty());
    QCOMPARE(m_engine->downloadedCount(), 0);
}

void TestCrawlEngine::redirectsAreFollowed()
{
    TestHttpServer server;
    Response toPage{302, {}};
    toPage.location = "/real/page.html";
    Response toImage{301, {}};
    toImage.location = "/store/pic.jpg";
    server.route("/index.html", Response{200, {"<a href=moved.html><img src=old.jpg>"}});
    server.route("/moved.html", toPage);
    server.route("/real/page.html", Response{200, {"<a href=found.html>"}});
    server.route("/old.jpg", toImage);
    server.route("/store/pic.jpg", Response{200, {"redirected picture"}, "image/jpeg"});
    server.route("/real/found.html", Response{200, {"<p>"}});
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(fileBytes(saved(1)), QByteArray("redirected picture"));
    // Links of a moved page lead from where it was found in the end, as in a
    // browser.
    QCOMPARE(lines(pages()).last(),
             line(2, QStringLiteral("終了"), server.url(QStringLiteral("/real/found.html"))));

    // A start page moved to another host takes the crawl there; a later page
    // moved away does not.
    TestHttpServer home;
    TestHttpServer away;
    Response toHome{301, {}};
    toHome.location = home.url(QStringLiteral("/site/")).toUtf8();
    Response toAway{302, {}};
    toAway.location = away.url(QStringLiteral("/a/there.html")).toUtf8();
    server.route("/start.html", toHome);
    home.route("/site/", Response{200, {"<a href=next.html><a href=/gone.html>"}});
    home.route("/site/next.html", Response{200, {"<p>"}});
    home.route("/gone.html", toAway);
    away.route("/a/there.html", Response{200, {"<a href=more.html>"}});
    m_conditions.clearWWWResults = true;
    QVERIFY(run(server.url(QStringLiteral("/start.html"))));
    QCOMPARE(
        lines(pages()),
        (QStringList{line(0, QStringLiteral("終了"), server.url(QStringLiteral("/start.html"))),
                     line(1, QStringLiteral("終了"), home.url(QStringLiteral("/site/next.html"))),
                     line(2, QStringLiteral("終了"), home.url(QStringLiteral("/gone.html"))),
                     line(3, QStringLiteral("----"), away.url(QStringLiteral("/a/more.html")))}));
}

void TestCrawlEngine::httpsCrawlKeepsTheScheme()
{
    const TestCertificate tls = TestCertificate::make();
    QVERIFY2(tls.error.isEmpty(), qPrintable(tls.error));
    tls.trust();
    TestHttpServer server(tls.serverConfiguration);
    server.route("/index.html", Response{200, {"<a href=/sub/p.html><img src=/i.jpg>"}});
    server.route("/sub/p.html", Response{200, {"<p>"}});
    server.route("/i.jpg", Response{200, {"secure picture"}, "image/jpeg"});
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    const QString a = server.url(QString());
    QVERIFY(a.startsWith(QStringLiteral("https://")));
    QCOMPARE(lines(pages()),
             (QStringList{line(0, QStringLiteral("終了"), a + QStringLiteral("/index.html")),
                          line(1, QStringLiteral("終了"), a + QStringLiteral("/sub/p.html"))}));
    QCOMPARE(lines(images()),
             QStringList{line(1, QStringLiteral("終了"), a + QStringLiteral("/i.jpg"))});
    QCOMPARE(fileBytes(saved(1)), QByteArray("secure picture"));
    QVERIFY(m_rec.errorsStarting(QStringLiteral("Irigal URL")).isEmpty());
}

void TestCrawlEngine::limits_data()
{
    QTest::addColumn<QString>("maxURL");
    QTest::addColumn<QString>("maxImage");
    QTest::addColumn<int>("pagesDone");
    QTest::addColumn<int>("imagesDone");
    QTest::addColumn<QString>("message");
    // index adds 5 page links: the limit of 5 stops every slot, pages pending.
    QTest::newRow("URL maximum") << QStringLiteral("5") << QStringLiteral("20") << 1 << 0
                                 << QStringLiteral("URL Max : 5");
    QTest::newRow("URL maximum not a number")
        << QStringLiteral("x") << QStringLiteral("20") << 0 << 0 << QStringLiteral("URL Max : x");
    QTest::newRow("image maximum") << QStringLiteral("100") << QStringLiteral("2") << 1 << 2
                                   << QStringLiteral("Image Max : 2");
    QTest::newRow("image maximum not a number")
        << QStringLiteral("100") << QStringLiteral("y") << 6 << 4 << QString();
}

void TestCrawlEngine::limits()
{
    QFETCH(QString, maxURL);
    QFETCH(QString, maxImage);
    QFETCH(int, pagesDone);
    QFETCH(int, imagesDone);
    QFETCH(QString, message);
    TestHttpServer server;
    QByteArray index;
    for (int i = 0; i < 5; ++i)
        index += "<a href=p" + QByteArray::number(i) + ".html>";
    index += "<img src=a.jpg><img src=b.jpg><img src=c.jpg><img src=d.jpg>";
    server.route("/index.html", Response{200, {index}});
    server.setFallback(Response{200, {"<p>"}, "image/jpeg"});
    m_conditions.maxURL = NumberText::from(maxURL);
    m_conditions.maxImage = NumberText::from(maxImage);
    m_conditions.speed = 1;
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(lines(pages()).filter(QStringLiteral("終了")).size(), pagesDone);
    QCOMPARE(lines(images()).filter(QStringLiteral("終了")).size(), imagesDone);
    if (!message.isEmpty()) {
        const int panel = message.startsWith(QStringLiteral("URL")) ? 0 : 3;
        QVERIFY2(m_rec.panels.value(panel).contains(message),
                 qPrintable(m_rec.panels.value(panel).join(u'|')));
    }
    QCOMPARE(m_rec.panel(0), QStringLiteral("探索終了"));
}

void TestCrawlEngine::accumulatedSecondRunEndsAtOnce()
{
    TestHttpServer server;
    server.route("/index.html", Response{200, {"<a href=a.html>"}});
    server.route("/a.html", Response{200, {"<p>"}});
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(server.requestLines().size(), 2);
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(server.requestLines().size(), 2);
    QVERIFY(m_rec.normal.filter(QStringLiteral("Found : ")).isEmpty());
    QCOMPARE(pages()->size(), 2);
    QVERIFY(m_rec.panels.value(0).contains(QStringLiteral("All Timer End")));

    // Cleared each time, the same crawl runs again from entry 0000.
    m_conditions.clearWWWResults = true;
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(server.requestLines().size(), 4);
}

// The engine's lists know their statuses from the start: a page taken is
// never taken again, however often it is linked, and the crawl ends by itself.
void TestCrawlEngine::pagesAreTakenOnce()
{
    TestHttpServer server;
    server.route("/index.html", Response{200, {"<a href=index.html><a href=a.html>"}});
    server.route("/a.html", Response{200, {"<a href=index.html><a href=a.html>"}});
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(server.requestLines().size(), 2);
    QCOMPARE(
        lines(pages()),
        (QStringList{line(0, QStringLiteral("終了"), server.url(QStringLiteral("/index.html"))),
                     line(1, QStringLiteral("終了"), server.url(QStringLiteral("/a.html")))}));
}

void TestCrawlEngine::sizeAndRatioChecks()
{
    struct Case
    {
        const char *name;
        QSize size;
        int bytes;
        bool listed;
        const char *rejection;
    };
    // Size range 5 to 120 KB of 1000 bytes; ratio 150 acts as 100.
    const Case cases[] = {
        {"small.jpg", {40, 40}, 4999, false, "File Size "},
        {"least.jpg", {40, 40}, 5000, true, nullptr},
        {"most.jpg", {40, 40}, 120999, true, nullptr},
        {"big.jpg", {40, 40}, 121000, false, "File Size "},
        {"wide.jpg", {80, 40}, 6000, false, "比率チェック "},
        {"nearly.jpg", {79, 40}, 6000, true, nullptr},
        {"tall.jpg", {20, 80}, 6000, true, nullptr},
        // A GIF is not decoded, so even a wide one passes the ratio check.
        {"x.gif", {}, 6000, true, nullptr},
    };
    TestHttpServer server;
    QByteArray index;
    for (const Case &c : cases) {
        index += QByteArray("<img src=") + c.name + ">";
        const QByteArray body =
            c.size.isEmpty() ? QByteArray("GIF89a\xC8\0\x0A\0", 10).leftJustified(c.bytes, '\0')
                             : makeJpeg(c.size, c.bytes, 7);
        QCOMPARE(body.size(), c.bytes);
        QVERIFY(c.size.isEmpty() || body.startsWith("\xFF\xD8"));
        server.route(QByteArray("/") + c.name, Response{200, {body}, "image/jpeg"});
    }
    server.route("/index.html", Response{200, {index}});
    m_conditions.imageTypes.gif = true;
    m_conditions.checkSize = true;
    m_conditions.ratioPercent = NumberText::from(QStringLiteral("150"));
    m_conditions.maxImage = NumberText::from(QStringLiteral("100"));
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));

    QStringList listedPaths;
    for (const auto &[path, size] : m_rec.listed) {
        listedPaths.append(QFile::decodeName(path));
        QCOMPARE(size, QFileInfo(QFile::decodeName(path)).size());
    }
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const Case &c = cases[i];
        const QString path = saved(i + 1, c.size.isEmpty() ? ".gif" : ".jpg");
        QVERIFY2(QFile::exists(path), c.name); // a rejected file stays
        QCOMPARE(listedPaths.contains(path), c.listed);
        if (c.rejection)
            QVERIFY2(m_rec.errors.contains(QString::fromUtf8(c.rejection) + path),
                     qPrintable(m_rec.errors.join(u'|')));
    }
    QCOMPARE(m_rec.panel(2), QStringLiteral("画像 : 5件"));
}

void TestCrawlEngine::collectRun()
{
    TestHttpServer server;
    TestHttpServer otherServer;
    const QString other = otherServer.url(QString());
    server.route("/index.html", Response{200,
                                         {"<img src=a/x.jpg><img src=" + other.toLatin1() +
                                          "/b/x.jpg><img src=c.jpg><img src=gone.jpg>"}});
    server.route("/a/x.jpg", Response{200, {"first host"}, "image/jpeg"});
    otherServer.route("/b/x.jpg", Response{200, {"second host"}, "image/jpeg"});
    server.route("/c.jpg", Response{200, {"third"}, "image/jpeg"});
    m_conditions.saveToFile = false;
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(images()->size(), 4);

    // The lists stay even when results are cleared at each start.
    m_conditions.saveToFile = true;
    m_conditions.clearWWWResults = true;
    QItemSelectionModel *selection = m_engine->imageSelection();
    for (int row : {0, 1, 3})
        selection->select(images()->index(row), QItemSelectionModel::Select);
    QSignalSpy finished(m_engine.get(), &CrawlEngine::runFinished);
    m_engine->setConditions(m_conditions);
    m_engine->PrepareRun();
    m_engine->StartCollect(server.url(QStringLiteral("/index.html")));
    QVERIFY(m_engine->collectMode());
    QVERIFY(!m_engine->pageCrawling());
    QVERIFY(finished.wait(20000));
    const QString a = server.url(QString());
    QCOMPARE(lines(images()),
             (QStringList{line(1, QStringLiteral("終了"), a + QStringLiteral("/a/x.jpg")),
                          line(2, QStringLiteral("終了"), other + QStringLiteral("/b/x.jpg")),
                          line(3, QStringLiteral("----"), a + QStringLiteral("/c.jpg")),
                          line(4, QStringLiteral("エラー"), a + QStringLiteral("/gone.jpg"))}));
    QVERIFY(selection->selectedRows().isEmpty());
    // Same file extension on two hosts: each under its own number.
    QCOMPARE(fileBytes(saved(1)), QByteArray("first host"));
    QCOMPARE(fileBytes(saved(2)), QByteArray("second host"));
    QVERIFY(!QFile::exists(saved(3)));
    QCOMPARE(lines(pages()).first(),
             line(0, QStringLiteral("終了"), a + QStringLiteral("/index.html")));
    QVERIFY(!m_engine->collectMode());
    QVERIFY(m_engine->pageCrawling());
}

void TestCrawlEngine::elapsedAcrossMidnight()
{
    // Local time is put a second before midnight: seconds taken from two
    // times of day would come out negative.
    const QByteArray oldTz = qgetenv("TZ");
    const time_t now = std::time(nullptr);
    struct tm utc = {};
    gmtime_r(&now, &utc);
    const int secondsToday = utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec;
    const int offset = 86400 - 1 - secondsToday; // local = utc + offset
    qputenv("TZ", QStringLiteral("XXX-%1:%2:%3")
                      .arg(offset / 3600)
                      .arg(offset / 60 % 60)
                      .arg(offset % 60)
                      .toLatin1());
    tzset();
    TestHttpServer server;
    Response slow{200, {"<p>", "</p>"}};
    slow.pauseMs = 1600;
    server.route("/index.html", slow);
    const bool ended = run(server.url(QStringLiteral("/index.html")));
    if (oldTz.isEmpty())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldTz);
    tzset();
    QVERIFY(ended);
    const QString seconds = m_rec.panel(5);
    QVERIFY2(seconds.endsWith(QStringLiteral(" 秒")), qPrintable(seconds));
    const int n = seconds.chopped(2).toInt();
    QVERIFY2(n >= 1 && n < 10, qPrintable(seconds));
}

// A GUI application: the test's pictures are written with Qt's JPEG writer.
// A site on port 8080 or 8000 is crawled there, not on a host "h80".
void TestCrawlEngine::portsBeginningWith80AreKept()
{
    TestHttpServer server;
    quint16 port = 8080;
    while (port < 8100 && !server.listenOn(port))
        ++port;
    if (port == 8100)
        QSKIP("no free port from 8080 to 8099");
    server.route("/index.html", Response{200, {"<a href=a.html><img src=/p.jpg>"}});
    server.route("/a.html", Response{200, {"<p>"}});
    server.route("/p.jpg", Response{200, {"picture"}, "image/jpeg"});
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(
        lines(pages()),
        (QStringList{line(0, QStringLiteral("終了"), server.url(QStringLiteral("/index.html"))),
                     line(1, QStringLiteral("終了"), server.url(QStringLiteral("/a.html")))}));
    QCOMPARE(fileBytes(saved(1)), QByteArray("picture"));
}

// A link written with raw Japanese bytes is asked for as a browser asks: the
// name read in the page's encoding, sent as UTF-8. Its line shows the name.
void TestCrawlEngine::japaneseNamesInUtf8AndShiftJisPages()
{
    TestHttpServer server;
    server.route("/index.html", Response{200,
                                         {"<a href=\"" + QStringLiteral("写真.html").toUtf8() +
                                          "\">"
                                          "<img src=\"" +
                                          QStringLiteral("画像.jpg").toUtf8() +
                                          "\">"
                                          "<a href=\"sj/index.html\">"}});
    server.route("/%E5%86%99%E7%9C%9F.html", Response{200, {"<p>"}});
    server.route("/%E7%94%BB%E5%83%8F.jpg", Response{200, {"picture"}, "image/jpeg"});
    server.route("/sj/index.html",
                 Response{200, {"<a href=\"" + EncodeShiftJis(QStringLiteral("旧.html")) + "\">"}});
    server.route("/sj/%E6%97%A7.html", Response{200, {"<p>"}});
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(
        lines(pages()),
        (QStringList{line(0, QStringLiteral("終了"), server.url(QStringLiteral("/index.html"))),
                     line(1, QStringLiteral("終了"), server.url(QStringLiteral("/写真.html"))),
                     line(2, QStringLiteral("終了"), server.url(QStringLiteral("/sj/index.html"))),
                     line(3, QStringLiteral("終了"), server.url(QStringLiteral("/sj/旧.html")))}));
    QCOMPARE(lines(images()),
             QStringList{line(1, QStringLiteral("終了"), server.url(QStringLiteral("/画像.jpg")))});
    QCOMPARE(fileBytes(saved(1)), QByteArray("picture"));
}

// "http://host:80/" is listed without its port; its pages are crawled.
void TestCrawlEngine::startAddressWithPort80()
{
    TestHttpServer server;
    if (!server.listenOn(80))
        QSKIP("port 80 is taken or not ours");
    server.route("/index.html", Response{200, {"<a href=a.html>"}});
    server.route("/a.html", Response{200, {"<p>"}});
    QVERIFY(run(QStringLiteral("http://127.0.0.1:80/index.html")));
    QCOMPARE(
        lines(pages()),
        (QStringList{line(0, QStringLiteral("終了"), QStringLiteral("http://127.0.0.1/index.html")),
                     line(1, QStringLiteral("終了"), QStringLiteral("http://127.0.0.1/a.html"))}));
}

// The downloaded count can pass the maximum between two ticks, and under
// kept results a run can start above it: either way the run stops.
void TestCrawlEngine::imageMaximumIsACeiling()
{
    TestHttpServer server;
    server.route("/one.html", Response{200, {"<img src=1.jpg><img src=2.jpg><img src=3.jpg>"}});
    server.route("/two.html", Response{200, {"<img src=4.jpg><img src=5.jpg>"}});
    server.setFallback(Response{200, {"picture"}, "image/jpeg"});
    QVERIFY(run(server.url(QStringLiteral("/one.html"))));
    QCOMPARE(m_engine->downloadedCount(), 3);
    m_conditions.maxImage = NumberText::from(QStringLiteral("2"));
    QVERIFY(run(server.url(QStringLiteral("/two.html"))));
    QCOMPARE(m_rec.panel(3), QStringLiteral("Image Max : 2"));
    QCOMPARE(images()->size(), 3); // stopped before its page
    // A text that is no integer never stops the run.
    m_conditions.maxImage = NumberText::from(QStringLiteral("many"));
    QVERIFY(run(server.url(QStringLiteral("/two.html"))));
    QCOMPARE(lines(images()).filter(QStringLiteral("終了")).size(), 5);
}

// Under kept results each start looks from the first line: a page of
// another host listed by an earlier run is crawled when a run starts there.
void TestCrawlEngine::startLinesListedEarlierAreCrawled()
{
    TestHttpServer server;
    TestHttpServer other;
    const QString elsewhere = other.url(QStringLiteral("/b.html"));
    server.route("/index.html",
                 Response{200, {"<a href=\"" + elsewhere.toLatin1() + "\"><a href=a.html>"}});
    server.route("/a.html", Response{200, {"<p>"}});
    other.route("/b.html", Response{200, {"<p>"}});
    QVERIFY(run(server.url(QStringLiteral("/index.html"))));
    QCOMPARE(lines(pages()).value(1), line(1, QStringLiteral("----"), elsewhere));
    QVERIFY(run(elsewhere));
    QCOMPARE(lines(pages()).value(1), line(1, QStringLiteral("終了"), elsewhere));
    QCOMPARE(other.requestLines().size(), 1);
}

QTEST_MAIN(TestCrawlEngine)
#include "test_crawlengine.moc"
