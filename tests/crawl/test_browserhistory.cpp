#include "crawl/browserhistory.h"
#include "crawl/webaddress.h"

#include <QTest>

class TestBrowserHistory : public QObject
{
    Q_OBJECT

private slots:
    void typedAddresses_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("address"); // empty: refused
        QTest::newRow("http") << "http://h.jp/a.html"
                              << "http://h.jp/a.html";
        QTest::newRow("https") << "https://h.jp/"
                               << "https://h.jp/";
        QTest::newRow("scheme in capitals") << "HTTP://h.jp/"
                                            << "http://h.jp/";
        QTest::newRow("no scheme") << "www.h.jp/a"
                                   << "http://www.h.jp/a";
        QTest::newRow("host and port") << "localhost:8080/x"
                                       << "http://localhost:8080/x";
        QTest::newRow("file") << "file:///etc/passwd"
                              << "";
        QTest::newRow("local path") << "/etc/passwd"
                                    << "";
        QTest::newRow("javascript") << "javascript:alert(1)"
                                    << "";
        QTest::newRow("data") << "data:text/html,<b>x</b>"
                              << "";
        QTest::newRow("ftp") << "ftp://h.jp/a.jpg"
                             << "";
        QTest::newRow("no host") << "http://"
                                 << "";
    }
    void typedAddresses()
    {
        QFETCH(QString, typed);
        QFETCH(QString, address);
        const QUrl url = webAddressFromTyped(typed);
        QCOMPARE(url.isValid(), !address.isEmpty());
        if (!address.isEmpty())
            QCOMPARE(url.toString(), address);
    }

    // "探索" starts from what "Web" would show; what the browser refuses is
    // left as written for the crawl to refuse in its turn.
    void crawlStartAddresses_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("start");
        QTest::newRow("http kept as written") << "http://h.jp/a/../b.html"
                                              << "http://h.jp/a/../b.html";
        QTest::newRow("https") << "https://h.jp/"
                               << "https://h.jp/";
        QTest::newRow("pasted with spaces") << "  http://h.jp/\n"
                                            << "http://h.jp/";
        QTest::newRow("no scheme") << " www.h.jp/a.html "
                                   << "http://www.h.jp/a.html";
        QTest::newRow("address and port") << "127.0.0.1:18080/index.html"
                                          << "http://127.0.0.1:18080/index.html";
        QTest::newRow("local path") << "/etc/passwd"
                                    << "/etc/passwd";
        QTest::newRow("javascript") << "javascript:alert(1)"
                                    << "javascript:alert(1)";
        QTest::newRow("ftp") << "ftp://h.jp/"
                             << "ftp://h.jp/";
        QTest::newRow("empty") << "   "
                               << "";
    }
    void crawlStartAddresses()
    {
        QFETCH(QString, typed);
        QFETCH(QString, start);
        QCOMPARE(crawlStartURL(typed), start);
    }

    void browsedURLsAreNormalised_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("normalised");
        QTest::newRow("port 80 dropped, dots settled") << "http://h:80/a/./b/../c.html"
                                                       << "http://h/a/c.html";
        QTest::newRow("port 8080 kept") << "http://h:8080/a/../b.html"
                                        << "http://h:8080/b.html";
        QTest::newRow("port 8000 kept") << "http://127.0.0.1:8000/"
                                        << "http://127.0.0.1:8000/";
        QTest::newRow("other port") << "http://h:3128/p"
                                    << "http://h:3128/p";
        QTest::newRow("Japanese path") << "http://h/写真/./a.html"
                                       << "http://h/写真/a.html";
    }
    void browsedURLsAreNormalised()
    {
        QFETCH(QString, url);
        QFETCH(QString, normalised);
        QCOMPARE(NormalizeBrowsedURL(url), normalised);
    }

    // The list and the drop-down as the browser's requests build them.
    void historyAndDropDown()
    {
        BrowserHistory h;
        QCOMPARE(h.backTarget(), QString());
        QCOMPARE(h.request(QStringLiteral("http://h:80/a"), false), QStringLiteral("http://h/a"));
        QVERIFY(h.dropDownItems().isEmpty()); // the flag is not set yet
        h.request(QStringLiteral("http://h/b"), true);
        h.request(QStringLiteral("http://h/c"), true);
        QCOMPARE(h.dropDownItems(),
                 QStringList({QStringLiteral("http://h/c"), QStringLiteral("http://h/b")}));
        QCOMPARE(h.backTarget(), QStringLiteral("http://h/b"));
        QCOMPARE(h.forwardTarget(), QString());

        // Another spelling of an entry selects it; the drop-down item moves up.
        h.request(QStringLiteral("http://h/B"), true);
        QCOMPARE(h.history().items().size(), 3);
        QCOMPARE(h.history().currentIndex(), 1);
        QCOMPARE(h.forwardTarget(), QStringLiteral("http://h/c"));
        QCOMPARE(h.dropDownItems(),
                 QStringList({QStringLiteral("http://h/b"), QStringLiteral("http://h/c")}));

        // A new page from the middle replaces the current entry and the rest.
        h.request(QStringLiteral("http://h/d"), true);
        QCOMPARE(h.history().items(),
                 QStringList({QStringLiteral("http://h/a"), QStringLiteral("http://h/d")}));
        QCOMPARE(h.backTarget(), QStringLiteral("http://h/a"));
        QCOMPARE(h.forwardTarget(), QString());
    }
};

QTEST_APPLESS_MAIN(TestBrowserHistory)
#include "test_browserhistory.moc"
