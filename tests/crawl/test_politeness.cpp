// The crawl's manners: robots.txt rules and host pacing as plain classes,
// then whole crawls against nginx set up to defend itself as real sites do.
#include "crawl/crawlengine.h"
#include "crawl/hostpacer.h"
#include "crawl/linkextractor.h"
#include "crawl/robotsrules.h"
#include "nginxserver.h"
#include "reportrecorder.h"
#include "testsite.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Files under a temporary root, and nginx serving them with an access log of
// "$msec $request_time $request_uri $http_referer $http_accept" lines.
struct Site
{
    QTemporaryDir root;
    std::unique_ptr<NginxServer> server;

    void write(const QString &path, const QByteArray &bytes)
    {
        const QString file = root.path() + path;
        QDir().mkpath(QFileInfo(file).path());
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    void serve(const QString &locations, const QString &httpLines = {})
    {
        const QString log = QStringLiteral("log_format polite '$msec $request_time $request_uri "
                                           "\"$http_referer\" \"$http_accept\"';\n");
        server = std::make_unique<NginxServer>(
            root.path(), QMap<QString, QString>{},
            QStringLiteral("    access_log %1/access.log polite;\n").arg(root.path()) + locations,
            log + httpLines);
    }
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server->port()).arg(path);
    }
    // The lines logged from line `from` on.
    QList<QByteArrayList> log(qsizetype from = 0) const
    {
        QFile file(root.path() + QStringLiteral("/access.log"));
        file.open(QIODevice::ReadOnly);
        QList<QByteArrayList> lines;
        for (const QByteArray &line : file.readAll().split('\n'))
            if (!line.isEmpty())
                lines.append(line.split(' '));
        return lines.mid(from);
    }
    // The shortest time in milliseconds between the starts of two requests.
    double shortestGapMs(qsizetype from = 0) const
    {
        QList<double> starts;
        for (const QByteArrayList &line : log(from))
            starts.append((line[0].toDouble() - line[1].toDouble()) * 1000);
        std::sort(starts.begin(), starts.end());
        double gap = 1e9;
        for (qsizetype i = 1; i < starts.size(); ++i)
            gap = std::min(gap, starts[i] - starts[i - 1]);
        return gap;
    }
};

} // namespace

class TestPoliteness : public QObject
{
    Q_OBJECT

    ReportRecorder m_rec;
    SearchConditions m_conditions;
    QTemporaryDir m_saveDir;
    std::unique_ptr<CrawlEngine> m_engine;

    bool crawl(const QString &startURL, int timeoutMs = 60000)
    {
        m_rec = ReportRecorder{};
        m_engine = std::make_unique<CrawlEngine>(&m_rec);
        m_engine->setTickInterval(20);
        QSignalSpy finished(m_engine.get(), &CrawlEngine::runFinished);
        m_engine->setConditions(m_conditions);
        m_engine->PrepareRun();
        m_engine->StartCrawl(startURL);
        return finished.wait(timeoutMs);
    }
    QStringList imageStatuses() const
    {
        QStringList result;
        const LinkList *images = m_engine->links()->imageList();
        for (qsizetype row = 0; row < images->size(); ++row)
            result.append(images->lineText(row).section(QLatin1Char(' '), 2, 2));
        return result;
    }

private slots:
    void init()
    {
        m_conditions = SearchConditions{};
        m_conditions.saveDirectory = m_saveDir.path();
        m_conditions.checkSize = false;
        m_conditions.checkRatio = false;
        m_conditions.speed = 6;
    }

    void robotsRules_data();
    void robotsRules();
    void hostPacer();
    void refererPassesHotlinkProtection();
    void throttledPicturesAreWaitedFor();
    void robotsTxtAndHostInterval();
};

void TestPoliteness::robotsRules_data()
{
    QTest::addColumn<QByteArray>("robots");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("allowed");
    const QByteArray groups = "User-agent: *\nDisallow: /\n\n"
                              "User-agent: other\nUser-agent: Vellisk/2.0 # us\n"
                              "Disallow: /private/\nAllow: /private/open\n"
                              "Disallow: /*.gif$\nAllow: /p\nDisallow: /p/\n"
                              "User-agent: later\nDisallow: /public\n";
    QTest::newRow("our group, not *") << groups << QByteArray("/index.html") << true;
    QTest::newRow("longest match") << groups << QByteArray("/private/x.html") << false;
    QTest::newRow("longer allow") << groups << QByteArray("/private/open/1.html") << true;
    QTest::newRow("$ at the end") << groups << QByteArray("/a/b.gif") << false;
    QTest::newRow("$ not at the end") << groups << QByteArray("/a/b.gif?x") << true;
    QTest::newRow("later group not ours") << groups << QByteArray("/public") << true;
    QTest::newRow("* group alone")
        << QByteArray("user-agent: *\ndisallow: /a*c\n") << QByteArray("/abbbc/d") << false;
    QTest::newRow("star backtracks")
        << QByteArray("User-agent: *\nDisallow: /*a*b$\n") << QByteArray("/xaxbxab") << false;
    QTest::newRow("tie: allow wins")
        << QByteArray("User-agent: *\nDisallow: /a\nAllow: /a\n") << QByteArray("/a") << true;
    QTest::newRow("empty disallow")
        << QByteArray("User-agent: vellisk\nDisallow:\n") << QByteArray("/x") << true;
    QTest::newRow("encoded alike") << QByteArray("User-agent: *\r\nDisallow: /%e3%81%82\r\n")
                                   << QByteArray("/%E3%81%82/") << false;
    QTest::newRow("robots.txt itself")
        << QByteArray("User-agent: *\nDisallow: /\n") << QByteArray("/robots.txt") << true;
}

void TestPoliteness::robotsRules()
{
    QFETCH(QByteArray, robots);
    QFETCH(QByteArray, path);
    QFETCH(bool, allowed);
    QCOMPARE(RobotsRules::parse(robots).allowed(path), allowed);
}

void TestPoliteness::hostPacer()
{
    const QDateTime clock =
        QDateTime::fromString(QStringLiteral("2026-01-01T00:00:00Z"), Qt::ISODate);
    QCOMPARE(HostPacer::retryAfterSeconds("30", clock), 30);
    QCOMPARE(HostPacer::retryAfterSeconds("Thu, 01 Jan 2026 00:01:40 GMT", clock), 100);
    QCOMPARE(HostPacer::retryAfterSeconds("soon", clock), -1);
    QCOMPARE(RobotsRules::parse("User-agent: *\nCrawl-delay: 2.5\n").crawlDelayMs(), 2500);

    HostPacer pacer;
    pacer.setInterval(500);
    QCOMPARE(pacer.readyAt("a"), 0);
    pacer.started("a", 1000);
    QCOMPARE(pacer.readyAt("a"), 1500);
    QCOMPARE(pacer.readyAt("b"), 0); // hosts are paced apart
    pacer.setFloor("a", 2000);       // a Crawl-delay above the interval
    QCOMPARE(pacer.readyAt("a"), 3000);
    // Waits double without Retry-After, up to two minutes; an answer that
    // is no refusal starts them again from 2 seconds.
    QList<int> waits;
    for (int i = 0; i < 8; ++i)
        waits.append(pacer.refused("b", 0, {}, clock));
    QCOMPARE(waits, (QList<int>{2, 4, 8, 16, 32, 64, 120, 120}));
    QCOMPARE(pacer.readyAt("b"), 120000);
    // After the wait, requests go one by one: 250 ms apart, as the
    // refusals came during one wait.
    pacer.setInterval(0);
    pacer.started("b", 120000);
    QCOMPARE(pacer.readyAt("b"), 120250);
    pacer.answered("b");
    QCOMPARE(pacer.refused("b", 0, {}, clock), 2);
    QCOMPARE(pacer.refused("b", 0, "7", clock), 7);
    QCOMPARE(pacer.refused("b", 0, "86400", clock), 120);
}

// The pictures refuse a request without this site's page as Referer.
void TestPoliteness::refererPassesHotlinkProtection()
{
    Site site;
    site.write(QStringLiteral("/index.html"),
               "<a href=\"sub/page.html\">p</a><img src=\"pics/a.jpg\">");
    site.write(QStringLiteral("/sub/page.html"), "<img src=\"../pics/b.jpg\">");
    for (const char *name : {"/pics/a.jpg", "/pics/b.jpg"})
        site.write(QLatin1String(name), makeJpeg({32, 24}, 3000, 1));
    site.serve(QStringLiteral("    location /pics/ { valid_referers 127.0.0.1;\n"
                              "      if ($invalid_referer) { return 403; } }\n"));
    QVERIFY2(site.server->error().isEmpty(), qPrintable(site.server->error()));

    // First-run settings: the requests of old, no Referer, no robots.txt.
    QVERIFY(crawl(site.url(QStringLiteral("/index.html"))));
    QCOMPARE(m_rec.listed.size(), 0);
    QCOMPARE(m_rec.errorsStarting(QStringLiteral("転送エラー")).size(), 2);
    for (const QByteArrayList &line : site.log()) {
        QVERIFY(line[2] != "/robots.txt");
        QCOMPARE(line[3], QByteArray("\"-\""));
        QCOMPARE(line[4], QByteArray("\"-\""));
    }

    m_conditions.extra.referer = true;
    QVERIFY(crawl(site.url(QStringLiteral("/index.html"))));
    QCOMPARE(m_rec.listed.size(), 2);
    QMap<QByteArray, QByteArrayList> last;
    for (const QByteArrayList &line : site.log())
        last[line[2]] = line;
    // Each picture names the page it was found on, and what is accepted.
    QCOMPARE(last["/pics/b.jpg"][3],
             "\"" + site.url(QStringLiteral("/sub/page.html")).toLatin1() + "\"");
    QCOMPARE(last["/pics/a.jpg"][3],
             "\"" + site.url(QStringLiteral("/index.html")).toLatin1() + "\"");
    QVERIFY(last["/pics/a.jpg"][4].startsWith("\"image/jpeg,"));
    QVERIFY(last["/index.html"][4].startsWith("\"text/html"));
}

// 5 requests a second, no burst: with CheckRetryLater every picture comes,
// each wait logged; without, the refused ones are errors.
void TestPoliteness::throttledPicturesAreWaitedFor()
{
    Site site;
    QByteArray index;
    for (int i = 0; i < 8; ++i) {
        index += QStringLiteral("<img src=\"pics/%1.jpg\">").arg(i).toLatin1();
        site.write(QStringLiteral("/pics/%1.jpg").arg(i), makeJpeg({32, 24}, 3000, quint32(i)));
    }
    site.write(QStringLiteral("/index.html"), index);
    site.serve(QStringLiteral("    location /pics/ { limit_req zone=pics; limit_req_status 429;\n"
                              "      add_header Retry-After 1 always; }\n"),
               QStringLiteral("limit_req_zone $binary_remote_addr zone=pics:1m rate=5r/s;\n"));
    QVERIFY2(site.server->error().isEmpty(), qPrintable(site.server->error()));

    QVERIFY(crawl(site.url(QStringLiteral("/index.html"))));
    QVERIFY(m_rec.listed.size() < 8);
    QVERIFY(m_rec.errorsStarting(QStringLiteral("転送エラー"))
                .first()
                .endsWith(QStringLiteral("(HTTP 429)")));

    m_conditions.extra.retryLater = true;
    QVERIFY(crawl(site.url(QStringLiteral("/index.html"))));
    QCOMPARE(m_rec.listed.size(), 8);
    QCOMPARE(imageStatuses(), QStringList(8, QStringLiteral("終了")));
    QVERIFY(m_rec.normal.contains(QStringLiteral("待機 : 127.0.0.1 1 秒")));
}

// robots.txt read once, its rules and Crawl-delay obeyed; the host interval
// between all requests, as nginx saw them.
void TestPoliteness::robotsTxtAndHostInterval()
{
    Site site;
    site.write(QStringLiteral("/robots.txt"),
               "User-agent: *\nDisallow: /\n\nUser-agent: Vellisk\nDisallow: /private/\n"
               "Allow: /private/open*.html$\nDisallow: /*.gif$\nCrawl-delay: 0.3\n");
    site.write(QStringLiteral("/index.html"),
               "<a href=private/a.html>a</a><a href=private/open1.html>o</a>"
               "<a href=pub.html>p</a><img src=x.gif><img src=y.jpg>");
    for (const char *page : {"/private/a.html", "/private/open1.html", "/pub.html"})
        site.write(QLatin1String(page), "<p>");
    site.write(QStringLiteral("/x.gif"), "GIF89a");
    site.write(QStringLiteral("/y.jpg"), makeJpeg({32, 24}, 3000, 1));
    site.serve({});
    QVERIFY2(site.server->error().isEmpty(), qPrintable(site.server->error()));

    m_conditions.imageTypes.gif = true;
    m_conditions.extra.robots = true;
    QVERIFY(crawl(site.url(QStringLiteral("/index.html"))));
    QStringList paths;
    for (const QByteArrayList &line : site.log())
        paths.append(QString::fromLatin1(line[2]));
    QCOMPARE(paths.first(), QStringLiteral("/robots.txt"));
    QCOMPARE(paths.count(QStringLiteral("/robots.txt")), 1);
    std::sort(paths.begin(), paths.end());
    QCOMPARE(paths.join(QLatin1Char(' ')),
             QStringLiteral("/index.html /private/open1.html /pub.html /robots.txt /y.jpg"));
    QCOMPARE(m_rec.errorsStarting(QStringLiteral("robots.txt : ")),
             (QStringList{QStringLiteral("robots.txt : ") + site.url(QStringLiteral("/x.gif")),
                          QStringLiteral("robots.txt : ") +
                              site.url(QStringLiteral("/private/a.html"))}));
    QVERIFY2(site.shortestGapMs() >= 290, qPrintable(QString::number(site.shortestGapMs())));

    // Without robots.txt, the interval alone spaces the requests.
    const qsizetype before = site.log().size();
    m_conditions.extra.robots = false;
    m_conditions.extra.hostIntervalMs = 200;
    QVERIFY(crawl(site.url(QStringLiteral("/index.html"))));
    QCOMPARE(site.log(before).size(), 6);
    QVERIFY2(site.shortestGapMs(before) >= 190,
             qPrintable(QString::number(site.shortestGapMs(before))));
}

QTEST_GUILESS_MAIN(TestPoliteness)
#include "test_politeness.moc"
