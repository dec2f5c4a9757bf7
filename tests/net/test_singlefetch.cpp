#include "crawl/crawlengine.h"
#include "crawl/crawlreporter.h"
#include "crawl/linklist.h"
#include "crawl/singlefetch.h"
#include "crawl/thttp.h"
#include "httpserver.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

struct Reports : CrawlReporter
{
    QMap<int, QString> panels;
    QStringList normal;
    QStringList errors;
    void statusText(int panel, const QString &text) override { panels[panel] = text; }
    void slotStatusText(int, const QString &) override {}
    void LogNormal(const QString &line) override { normal << line; }
    void LogError(const QString &line) override { errors << line; }
};

using Response = TestHttpServer::Response;

} // namespace

// HTTP0's single fetch without a window: a page's source and the end of a
// transfer that brought no document. (The picture road is tested through the
// main window.)
class TestSingleFetch : public QObject
{
    Q_OBJECT

    TestHttpServer m_server;
    THTTP *m_http = nullptr;
    QTimer *m_timerGazou = nullptr;
    Reports *m_reports = nullptr;
    SingleFetch *m_fetch = nullptr;

private slots:
    void init()
    {
        m_http = new THTTP;
        m_timerGazou = new QTimer;
        m_reports = new Reports;
        m_fetch = new SingleFetch(m_http, m_timerGazou, m_reports);
    }
    void cleanup()
    {
        delete m_fetch;
        delete m_reports;
        delete m_timerGazou;
        delete m_http;
    }

    void pageSourceWithUniformLineBreaks_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QString>("source");
        QTest::newRow("CR, LF and CR LF, split across chunks")
            << QList<QByteArray>{"a\rb\nc\r", "\nd\n\n"} << "a\r\nb\r\nc\r\nd\r\n\r\n";
        QTest::newRow("UTF-8") << QList<QByteArray>{"<p>日本語</p>\n"} << "<p>日本語</p>\r\n";
        QTest::newRow("Shift-JIS")
            << QList<QByteArray>{EncodeShiftJis(QStringLiteral("<p>画像</p>\n"))}
            << "<p>画像</p>\r\n";
    }
    void pageSourceWithUniformLineBreaks()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QString, source);
        Response r;
        r.chunks = chunks;
        m_server.route("/page.html", r);
        QSignalSpy arrived(m_fetch, &SingleFetch::sourceArrived);
        QSignalSpy finished(m_fetch, &SingleFetch::fetchEnded);
        QSignalSpy busy(m_fetch, &SingleFetch::busyChanged);
        const QString url = m_server.url(QStringLiteral("/page.html"));
        m_fetch->fetch(url);
        QCOMPARE(busy.value(0).value(0).toBool(), true);
        QCOMPARE(m_reports->panels[4], url);
        QVERIFY(finished.wait(5000));
        QCOMPARE(arrived.size(), 1);
        QCOMPARE(arrived[0][0].toString(), source);
        QCOMPARE(m_fetch->sourceText(), source);
        QCOMPARE(m_fetch->pageURL(), url);
        QCOMPARE(m_fetch->pageHost(), QStringLiteral("127.0.0.1"));
        QCOMPARE(m_reports->panels[5], QStringLiteral("Bytes: %1").arg(chunks.join().size()));
        QVERIFY(m_reports->errors.isEmpty());
    }

    // An empty document and a failed transfer both end the run; a failure
    // also says why on the error log.
    void transfersWithoutADocument_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("failed");
        QTest::newRow("empty page") << 200 << false;
        QTest::newRow("not found") << 404 << true;
    }
    void transfersWithoutADocument()
    {
        QFETCH(int, status);
        QFETCH(bool, failed);
        Response r;
        r.status = status;
        r.chunks = {status == 200 ? QByteArray() : QByteArray("missing")};
        m_server.route("/none", r);
        QSignalSpy finished(m_fetch, &SingleFetch::fetchEnded);
        QSignalSpy arrived(m_fetch, &SingleFetch::sourceArrived);
        m_fetch->fetch(m_server.url(QStringLiteral("/none")));
        QVERIFY(finished.wait(5000));
        QCOMPARE(m_reports->normal, QStringList{QStringLiteral("  No Data")});
        QCOMPARE(m_reports->errors.size(), failed ? 1 : 0);
        if (failed)
            QVERIFY(m_reports->errors[0].startsWith(m_server.url(QStringLiteral("/none")) +
                                                    QStringLiteral(" : ")));
        QCOMPARE(arrived.size(), 0);
    }

    // A page is held in memory: one that never ends stops at the page cap.
    void endlessPageEndsAtTheCap()
    {
        Response r;
        r.chunks = {QByteArray(1 << 20, 'x')};
        r.chunkedEncoding = true;
        r.endless = true;
        m_server.route("/endless.html", r);
        QSignalSpy finished(m_fetch, &SingleFetch::fetchEnded);
        m_fetch->fetch(m_server.url(QStringLiteral("/endless.html")));
        QVERIFY(finished.wait(30000));
        QCOMPARE(m_reports->normal, QStringList{QStringLiteral("  No Data")});
        QCOMPARE(m_reports->errors.size(), 1);
        const QString cap = QStringLiteral("larger than %1 bytes").arg(CrawlEngine::PageCap);
        QVERIFY2(m_reports->errors[0].contains(cap), qPrintable(m_reports->errors[0]));
    }
};

QTEST_GUILESS_MAIN(TestSingleFetch)
#include "test_singlefetch.moc"
