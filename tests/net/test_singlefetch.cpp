#include "crawl/crawlreporter.h"
#include "crawl/linklist.h"
#include "crawl/singlefetch.h"
#include "crawl/thttp.h"
#include "httpserver.h"
#include "picture/pictureloader.h"
#include "picturefiles.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
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

// HTTP0's single fetch without a window: a page's source, and a picture
// downloaded and loaded once its transfer has ended.
class TestSingleFetch : public QObject
{
    Q_OBJECT

    TestHttpServer m_server;
    QTemporaryDir m_dir;
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
            << QList<QByteArray>{EncodeShiftJis(QStringLiteral("<p>画像</p>\n"))} << "<p>画像</p>\r\n";
    }
    void pageSourceWithUniformLineBreaks()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QString, source);
        Response r;
        r.chunks = chunks;
        m_server.route("/page.html", r);
        QSignalSpy arrived(m_fetch, &SingleFetch::sourceArrived);
        QSignalSpy finished(m_fetch, &SingleFetch::runFinished);
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
        QSignalSpy finished(m_fetch, &SingleFetch::runFinished);
        QSignalSpy arrived(m_fetch, &SingleFetch::sourceArrived);
        m_fetch->fetch(m_server.url(QStringLiteral("/none")));
        QVERIFY(finished.wait(5000));
        QCOMPARE(m_reports->normal, QStringList{QStringLiteral("  No Data")});
        QCOMPARE(m_reports->errors.size(), failed ? 1 : 0);
        if (failed)
            QVERIFY(m_reports->errors[0].startsWith(m_server.url(QStringLiteral("/none")) + QStringLiteral(" : ")));
        QCOMPARE(arrived.size(), 0);
    }

    // The picture is loaded once, after TimerGazou: shown, or reported with
    // the loader's text; either way the work ends.
    void pictureRoad_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("shown");
        QByteArray jpeg;
        {
            const QString path = m_dir.filePath(QStringLiteral("source.jpg"));
            QVERIFY(PictureFiles::write(path, PictureFiles::quadrants(64, 48)));
            jpeg = PictureFiles::readAll(path);
        }
        QTest::newRow("whole picture") << jpeg << true;
        QTest::newRow("damaged picture") << QByteArray("\xff\xd8 this is no picture", 21) << false;
    }
    void pictureRoad()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, shown);
        Response r;
        r.contentType = "image/jpeg";
        r.chunks = {body};
        m_server.route("/p.jpg", r);
        const QString save = m_dir.filePath(QStringLiteral("0000.jpg"));
        QFile::remove(save);
        QSignalSpy busy(m_fetch, &SingleFetch::busyChanged);
        QSignalSpy picture(m_fetch, &SingleFetch::pictureArrived);
        QSignalSpy finished(m_fetch, &SingleFetch::runFinished);
        const QString url = m_server.url(QStringLiteral("/p.jpg"));
        m_fetch->setImageTarget(save);
        m_fetch->fetch(url);
        QCOMPARE(m_reports->panels[0], QStringLiteral("イメージ転送中"));
        QVERIFY(QTest::qWaitFor([&] { return busy.size() == 2; }, 5000));
        QCOMPARE(busy[1][0].toBool(), false);
        QVERIFY(!m_timerGazou->isActive());
        QCOMPARE(finished.size(), 0);
        QCOMPARE(PictureFiles::readAll(save), body);
        if (shown) {
            QCOMPARE(picture.size(), 1);
            QCOMPARE(picture[0][0].value<QImage>().size(), QSize(64, 48));
            QCOMPARE(picture[0][1].toString(), url);
            QCOMPARE(m_reports->panels[0], QStringLiteral("画像表示完了"));
        } else {
            QCOMPARE(picture.size(), 0);
            const QString error = PictureLoader::decodeFull(QFile::encodeName(save)).error;
            QVERIFY(!error.isEmpty());
            QCOMPARE(m_reports->panels[0], error);
        }
    }
};

QTEST_GUILESS_MAIN(TestSingleFetch)
#include "test_singlefetch.moc"
