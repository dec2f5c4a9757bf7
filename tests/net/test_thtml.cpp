#include "crawl/thtml.h"
#include "httpserver.h"
#include "testutils.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

class TestTHTML : public QObject
{
    Q_OBJECT

private slots:
    void loadsPagesAndReportsEveryNavigation()
    {
        const ConfigSandbox sandbox; // the browser's profile goes there, not into $HOME
        TestHttpServer server;
        const QByteArray second = "<html><body>second</body></html>";
        server.route("/one.html",
                     TestHttpServer::Response{
                         200, {"<html><body><a id='l' href='/two.html'>two</a></body></html>"}});
        server.route("/two.html", TestHttpServer::Response{200, {second}});

        THTML html;
        html.resize(400, 300);
        html.show();
        QVERIFY(!html.engineStarted());
        QStringList requested;
        connect(&html, &THTML::OnDoRequestDoc, this, [&](const QString &url) { requested << url; });
        QSignalSpy begin(&html, &THTML::OnBeginRetrieval);
        QSignalSpy end(&html, &THTML::OnEndRetrieval);

        html.LoadURL(server.url(QStringLiteral("/one.html")));
        QVERIFY(html.engineStarted());
        QVERIFY(waitUntil([&] { return end.count() >= 1; }, 30000));
        html.LoadURL(server.url(QStringLiteral("/two.html")));
        QVERIFY(waitUntil([&] { return end.count() >= 2; }, 30000));

        QCOMPARE(requested, QStringList({server.url(QStringLiteral("/one.html")),
                                         server.url(QStringLiteral("/two.html"))}));
        QCOMPARE(begin.count(), 2);
        QCOMPARE(end.count(), 2);
        QCOMPARE(html.currentUrl().toString(), server.url(QStringLiteral("/two.html")));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestTHTML test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_thtml.moc"
