// The HTTP control's transfers that must not pass for a document: other
// schemes, failures after data had begun, caps, files that cannot be
// written; https against a certificate the test makes; one shared manager.
#include "crawl/thttp.h"
#include "httpserver.h"
#include "testtls.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Response = TestHttpServer::Response;

// The events of one transfer, up to and including its end.
struct Transfer
{
    QByteArray text;
    int dataEvents = 0;
    DocOutput end;
    bool ended = false;
};

Transfer fetch(THTTP &http, const QString &url, int timeoutMs = 10000)
{
    Transfer t;
    const auto connection =
        QObject::connect(&http, &THTTP::OnDocOutput, &http, [&t](THTTP *, const DocOutput &doc) {
            if (doc.DocState == DocOutput::Data) {
                t.text += doc.ReadChunk();
                ++t.dataEvents;
            } else if (doc.DocState == DocOutput::End) {
                t.end = doc;
                t.ended = true;
            }
        });
    http.GetDoc(url);
    QSignalSpy events(&http, &THTTP::OnDocOutput);
    while (!t.ended && events.wait(timeoutMs)) {
    }
    QObject::disconnect(connection);
    return t;
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

class TestTHTTPTransfers : public QObject
{
    Q_OBJECT

private slots:
    void onlyHttpAndHttpsAreFetched_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("bare path") << QStringLiteral("/etc/hostname");
        QTest::newRow("file") << QStringLiteral("file:///etc/hostname");
        QTest::newRow("data") << QStringLiteral("data:text/html,<a href=x.html>");
        QTest::newRow("qrc") << QStringLiteral("qrc:/qt-project.org/qmime/freedesktop.org.xml");
        QTest::newRow("ftp") << QStringLiteral("ftp://127.0.0.1/x.html");
        QTest::newRow("no host") << QStringLiteral("http:///x.html");
    }
    void onlyHttpAndHttpsAreFetched()
    {
        QFETCH(QString, url);
        THTTP http;
        QSignalSpy events(&http, &THTTP::OnDocOutput);
        http.GetDoc(url);
        // The end comes after GetDoc has returned, as for any transfer.
        QVERIFY(events.isEmpty());
        QVERIFY(http.IsBusy());
        const Transfer t = fetch(http, url);
        QVERIFY(t.ended);
        QCOMPARE(t.dataEvents, 0);
        QVERIFY(t.end.Failed());
        QVERIFY(!t.end.OutputFailed());
        QCOMPARE(http.TransferState(), 0);
        QVERIFY(!http.IsBusy());
    }

    void failureAfterDataBeganIsNoDocument_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("connection dropped") << 0;
        QTest::newRow("cap passed") << 1;
        QTest::newRow("endless body") << 2;
        QTest::newRow("announced over the cap") << 3;
    }
    void failureAfterDataBeganIsNoDocument()
    {
        QFETCH(int, kind);
        TestHttpServer server;
        Response r;
        r.contentType = "image/jpeg";
        r.chunks = {QByteArray(3000, 'a'), QByteArray(3000, 'b')};
        r.pauseMs = 30;
        if (kind == 0)
            r.declaredLength = 9000; // closes 3000 bytes early
        if (kind == 2) {
            r.chunkedEncoding = true;
            r.endless = true;
            r.pauseMs = 5; // a steady stream that leaves the loop room to breathe
        }
        if (kind == 3)
            r.declaredLength = 100000;
        server.route("/a.jpg", r);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("0001.jpg"));
        THTTP http;
        http.setMaxBytes(kind == 0 ? 100000 : 4000);
        http.SetOutputFile(path);
        const Transfer t = fetch(http, server.url(QStringLiteral("/a.jpg")));
        QVERIFY(t.end.Failed());
        QVERIFY(!t.end.ErrorText().isEmpty());
        QVERIFY(!t.end.OutputFailed());
        QCOMPARE(filesIn(dir.path()), QStringList());
        QCOMPARE(http.TransferState(), 0);
        if (kind == 0)
            QCOMPARE(t.text.size(), 6000); // it had begun
    }

    void wholeDocumentHasNoError()
    {
        TestHttpServer server;
        server.route("/p.html", Response{200, {"<a href=x.html>"}});
        THTTP http;
        http.setMaxBytes(15); // exactly the body
        const Transfer t = fetch(http, server.url(QStringLiteral("/p.html")));
        QVERIFY(!t.end.Failed());
        QCOMPARE(t.text, QByteArray("<a href=x.html>"));
        QCOMPARE(t.end.ByteCount, qint64(15));
    }

    // An empty answer is no document: a file already under the name stays.
    void emptyAnswerLeavesTheFileAlone()
    {
        TestHttpServer server;
        server.route("/a.jpg", Response{200, {QByteArray()}, "image/jpeg"});
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("0001.jpg"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("earlier picture") == 15);
        old.close();
        THTTP http;
        http.SetOutputFile(path);
        const Transfer t = fetch(http, server.url(QStringLiteral("/a.jpg")));
        QVERIFY(t.ended);
        QCOMPARE(t.end.ByteCount, qint64(0));
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("0001.jpg")});
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("earlier picture"));
    }

    void outputThatCannotBeCreatedFailsAtOnce()
    {
        TestHttpServer server;
        server.route("/a.jpg", Response{200, {"picture"}});
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/0001.jpg"));
        THTTP http;
        http.SetOutputFile(path);
        const Transfer t = fetch(http, server.url(QStringLiteral("/a.jpg")));
        QVERIFY(t.end.Failed());
        QVERIFY(t.end.OutputFailed());
        QVERIFY2(t.end.ErrorText().contains(path), qPrintable(t.end.ErrorText()));
        QCOMPARE(t.dataEvents, 0);
        QVERIFY(server.requestLines().isEmpty()); // nothing fetched in vain
    }

    void httpsWithTheTestsCertificate()
    {
        const TestCertificate tls = TestCertificate::make();
        QVERIFY2(tls.error.isEmpty(), qPrintable(tls.error));
        TestHttpServer server(tls.serverConfiguration);
        server.route("/s.html", Response{200, {"secure page"}});
        const QString url = server.url(QStringLiteral("/s.html"));
        QVERIFY(url.startsWith(QStringLiteral("https://")));
        {
            // Not trusted yet: verification stays on and the transfer fails.
            THTTP http;
            const Transfer t = fetch(http, url);
            QVERIFY(t.end.Failed());
            QVERIFY(t.text.isEmpty());
        }
        tls.trust();
        THTTP http;
        const Transfer t = fetch(http, url);
        QVERIFY2(!t.end.Failed(), qPrintable(t.end.ErrorText()));
        QCOMPARE(t.text, QByteArray("secure page"));
        QCOMPARE(http.RemoteHost(), QStringLiteral("127.0.0.1"));
    }

    void controlsShareOneManagerAndItsProxy()
    {
        TestHttpServer proxy;
        proxy.setFallback(Response{200, {"via proxy"}});
        QNetworkAccessManager manager;
        QObject owner;
        QList<THTTP *> controls;
        for (int i = 0; i < 7; ++i)
            controls.append(new THTTP(&owner, &manager));
        for (THTTP *http : std::as_const(controls))
            http->applyProxy(ProxyChoice{true, QStringLiteral("127.0.0.1"), proxy.port()});
        int ended = 0;
        for (int i = 0; i < controls.size(); ++i) {
            connect(controls[i], &THTTP::OnDocOutput, &owner,
                    [&ended](THTTP *, const DocOutput &doc) {
                        if (doc.DocState == DocOutput::End && !doc.Failed())
                            ++ended;
                    });
            controls[i]->GetDoc(QStringLiteral("http://origin.test/%1.html").arg(i));
        }
        QTRY_COMPARE(ended, 7);
        QCOMPARE(proxy.requestLines().size(), 7);
        QCOMPARE(manager.proxy().port(), proxy.port());
        QVERIFY(manager.findChildren<QNetworkAccessManager *>().isEmpty());
        QVERIFY(owner.findChildren<QNetworkAccessManager *>().isEmpty());
    }

    void oneHostGetsAtMostSixConnections()
    {
        TestHttpServer server;
        Response slow;
        slow.chunks = {"a", "b"};
        slow.pauseMs = 200;
        server.setFallback(slow);
        QNetworkAccessManager manager;
        QObject owner;
        int ended = 0;
        for (int i = 0; i < 7; ++i) {
            auto *http = new THTTP(&owner, &manager);
            connect(http, &THTTP::OnDocOutput, &owner, [&ended](THTTP *, const DocOutput &doc) {
                if (doc.DocState == DocOutput::End)
                    ++ended;
            });
            http->GetDoc(server.url(QStringLiteral("/%1.html").arg(i)));
        }
        QTRY_COMPARE(ended, 7);
        QCOMPARE(server.requestLines().size(), 7);
        QCOMPARE(server.maxInFlight(), 6);
    }
};

QTEST_GUILESS_MAIN(TestTHTTPTransfers)
#include "test_thttptransfers.moc"
