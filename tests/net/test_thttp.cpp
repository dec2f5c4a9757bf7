#include "crawl/thttp.h"
#include "httpserver.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Everything one transfer reported.
struct Recorder
{
    QList<int> states;
    QList<qint64> counts;
    QByteArray text;
    QMetaObject::Connection connection;

    explicit Recorder(THTTP *http)
    {
        connection = QObject::connect(http, &THTTP::OnDocOutput, http,
                                      [this](THTTP *, const DocOutput &doc) {
                                          states.append(doc.DocState);
                                          counts.append(doc.ByteCount);
                                          if (doc.DocState == DocOutput::Data)
                                              text += doc.ReadChunk();
                                      });
    }
    ~Recorder() { QObject::disconnect(connection); }
    bool ended() const { return states.contains(DocOutput::End); }
    bool waitForEnd(int ms = 5000)
    {
        return QTest::qWaitFor([this] { return ended(); }, ms);
    }
};

using Response = TestHttpServer::Response;

} // namespace

class TestTHTTP : public QObject
{
    Q_OBJECT

private slots:
    void chunksArriveInOrderWithByteCounts()
    {
        TestHttpServer server;
        Response r;
        r.chunks = {"<html>", "abcdefgh", "</html>"};
        r.pauseMs = 60;
        server.route("/page", r);
        THTTP http;
        Recorder rec(&http);
        http.GetDoc(server.url(QStringLiteral("/page")));
        QVERIFY(http.IsBusy());
        QVERIFY(http.TransferState() != 0);
        QVERIFY(rec.waitForEnd());
        QCOMPARE(rec.states.first(), int(DocOutput::Begin));
        QCOMPARE(rec.states.last(), int(DocOutput::End));
        QCOMPARE(rec.states.count(DocOutput::End), 1);
        QVERIFY(rec.states.count(DocOutput::Data) >= 2);
        QCOMPARE(rec.text, QByteArray("<html>abcdefgh</html>"));
        QCOMPARE(rec.counts.last(), qint64(21));
        for (int i = 1; i < rec.counts.size(); ++i)
            QVERIFY(rec.counts[i] >= rec.counts[i - 1]);
        QVERIFY(!http.IsBusy());
        QCOMPARE(http.TransferState(), 0);
        QCOMPARE(http.RemoteHost(), QStringLiteral("127.0.0.1"));
        QCOMPARE(http.URL(), server.url(QStringLiteral("/page")));
    }

    void chunkedTransferEncoding()
    {
        TestHttpServer server;
        Response r;
        r.chunks = {"one ", "two ", "three"};
        r.chunkedEncoding = true;
        r.pauseMs = 20;
        server.route("/c", r);
        THTTP http;
        Recorder rec(&http);
        http.GetDoc(server.url(QStringLiteral("/c")));
        QVERIFY(rec.waitForEnd());
        QCOMPARE(rec.text, QByteArray("one two three"));
    }

    void endsWithoutDataWhenThereIsNone_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("empty body") << QByteArray("/empty");
        QTest::newRow("error status") << QByteArray("/missing");
        QTest::newRow("server error") << QByteArray("/fail");
        QTest::newRow("connection refused") << QByteArray();
    }
    void endsWithoutDataWhenThereIsNone()
    {
        QFETCH(QByteArray, path);
        TestHttpServer server;
        server.route("/empty", Response{200, {}});
        server.route("/fail", Response{500, {"<h1>oops</h1>"}});
        THTTP http;
        Recorder rec(&http);
        if (path.isEmpty())
            http.GetDoc(QStringLiteral("http://127.0.0.1:1/none"));
        else
            http.GetDoc(server.url(QString::fromLatin1(path)));
        QVERIFY(rec.waitForEnd());
        QCOMPARE(rec.text, QByteArray());
        QVERIFY(!rec.states.contains(DocOutput::Data));
        QCOMPARE(rec.counts.last(), qint64(0));
        QCOMPARE(http.TransferState(), 0);
    }

    void cancelStopsAServerThatNeverAnswers()
    {
        TestHttpServer server;
        Response silent;
        silent.silent = true;
        server.route("/hang", silent);
        server.route("/ok", Response{200, {"fine"}});
        THTTP http;
        Recorder rec(&http);
        http.GetDoc(server.url(QStringLiteral("/hang")));
        QTRY_COMPARE(server.requestLines().size(), 1);
        QVERIFY(http.IsBusy());
        QVERIFY(http.TransferState() != 0);
        QVERIFY(!rec.ended());
        http.CancelTransfer();
        QVERIFY(!http.IsBusy());
        QCOMPARE(http.TransferState(), 0);
        // The server sees the connection go; what the client had queued by
        // then has been handled, and a cancelled transfer reports nothing more.
        QTRY_COMPARE(server.closedConnections(), 1);
        QCoreApplication::processEvents();
        QVERIFY(!rec.ended());

        // The control is usable again at once.
        http.GetDoc(server.url(QStringLiteral("/ok")));
        QVERIFY(rec.waitForEnd());
        QCOMPARE(rec.text, QByteArray("fine"));
    }

    void outputFileIsWrittenWhole()
    {
        TestHttpServer server;
        QByteArray image(300000, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = char(i * 7);
        Response r;
        r.contentType = "image/jpeg";
        r.chunks = {image.left(100000), image.mid(100000, 100000), image.mid(200000)};
        r.pauseMs = 20;
        server.route("/0001.jpg", r);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("0001.jpg"));
        THTTP http;
        Recorder rec(&http);
        http.SetOutputFile(path);
        http.GetDoc(server.url(QStringLiteral("/0001.jpg")));
        QVERIFY(rec.waitForEnd());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), image);
        QCOMPARE(rec.counts.last(), qint64(image.size()));
        QCOMPARE(rec.text.size(), image.size()); // callers still see the data arrive

        // Only the next document goes to the file.
        server.route("/page", Response{200, {"page"}});
        Recorder rec2(&http);
        http.GetDoc(server.url(QStringLiteral("/page")));
        QVERIFY(rec2.waitForEnd());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList({QStringLiteral("0001.jpg")}));
    }

    void cutOffTransferLeavesNoFile()
    {
        TestHttpServer server;
        Response r;
        r.chunks = {QByteArray(1000, 'x')};
        r.declaredLength = 5000; // the connection closes 4000 bytes early
        server.route("/short.jpg", r);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("0002.jpg"));
        THTTP http;
        Recorder rec(&http);
        http.SetOutputFile(path);
        http.GetDoc(server.url(QStringLiteral("/short.jpg")));
        QVERIFY(rec.waitForEnd());
        QVERIFY(!QFile::exists(path));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    void redirectsAreFollowedInside()
    {
        TestHttpServer server;
        Response moved;
        moved.status = 302;
        moved.location = "/new";
        server.route("/old", moved);
        server.route("/new", Response{200, {"moved here"}});
        THTTP http;
        Recorder rec(&http);
        http.GetDoc(server.url(QStringLiteral("/old")));
        QVERIFY(rec.waitForEnd());
        QCOMPARE(rec.text, QByteArray("moved here"));
        QCOMPARE(rec.states.count(DocOutput::Begin), 1);
        QCOMPARE(http.URL(), server.url(QStringLiteral("/old")));
        QCOMPARE(http.DocumentURL(), server.url(QStringLiteral("/new")));

        // Not moved: the address as given, unencoded.
        server.route("/%E5%86%99%E7%9C%9F/a%20b.html", Response{200, {"here"}});
        Recorder again(&http);
        http.GetDoc(server.url(QStringLiteral("/写真/a b.html")));
        QVERIFY(again.waitForEnd());
        QCOMPARE(again.text, QByteArray("here"));
        QCOMPARE(http.DocumentURL(), server.url(QStringLiteral("/写真/a b.html")));
    }

    void proxyCarriesTheRequests()
    {
        TestHttpServer origin;
        origin.route("/direct", Response{200, {"direct"}});
        TestHttpServer proxy;
        proxy.setFallback(Response{200, {"via proxy"}});
        THTTP http;
        http.SetProxy(true, QStringLiteral("127.0.0.1"), proxy.port());
        QVERIFY(http.proxyInUse());
        {
            Recorder rec(&http);
            http.GetDoc(QStringLiteral("http://origin.test/pics/index.html"));
            QVERIFY(rec.waitForEnd());
            QCOMPARE(rec.text, QByteArray("via proxy"));
        }
        QCOMPARE(proxy.requestLines().size(), 1);
        QVERIFY(proxy.requestLines().first().startsWith("GET http://origin.test/pics/index.html "));

        http.SetProxy(false, QStringLiteral("127.0.0.1"), proxy.port());
        QVERIFY(!http.proxyInUse());
        QCOMPARE(http.proxy().port(), proxy.port()); // kept for the next use
        Recorder rec(&http);
        http.GetDoc(origin.url(QStringLiteral("/direct")));
        QVERIFY(rec.waitForEnd());
        QCOMPARE(rec.text, QByteArray("direct"));
        QCOMPARE(proxy.requestLines().size(), 1);
        // Direct requests name the path only, as to any origin server.
        QCOMPARE(origin.requestLines(), QList<QByteArray>{"GET /direct HTTP/1.1"});
    }

    // "Proxy off" means a direct connection even where the application
    // names a proxy of its own. (Loopback addresses never take the
    // application's proxy, so this asks the manager rather than a server.)
    void proxyOffIgnoresTheApplicationProxy()
    {
        QNetworkAccessManager manager;
        THTTP http(nullptr, &manager);
        http.SetProxy(false, QString(), 0);
        const QNetworkProxyQuery query(QUrl(QStringLiteral("http://example.org/a.html")));
        auto socketTakes = [&] {
            // What the manager names, as the socket will resolve it.
            QNetworkProxy p = manager.proxyFactory()->queryProxy(query).value(0);
            if (p.type() == QNetworkProxy::DefaultProxy)
                p = QNetworkProxyFactory::proxyForQuery(query).value(0);
            return p.type();
        };
        QCOMPARE(socketTakes(), QNetworkProxy::NoProxy);
        QNetworkProxy::setApplicationProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("proxy.example"), 8080));
        const QNetworkProxy::ProxyType withApplicationProxy = socketTakes();
        QNetworkProxy::setApplicationProxy(QNetworkProxy());
        QCOMPARE(withApplicationProxy, QNetworkProxy::NoProxy);
    }

    void oversizedDocumentIsRefused()
    {
        TestHttpServer server;
        server.route("/big", Response{200, {QByteArray(4096, 'a'), QByteArray(4096, 'b')}});
        THTTP http;
        http.setMaxBytes(5000);
        Recorder rec(&http);
        http.GetDoc(server.url(QStringLiteral("/big")));
        QVERIFY(rec.waitForEnd());
        QVERIFY(rec.text.size() <= 5000);
        QCOMPARE(http.TransferState(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTHTTP)
#include "test_thttp.moc"
