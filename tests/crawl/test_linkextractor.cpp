#include "crawl/crawlreporter.h"
#include "crawl/linkextractor.h"

#include <QMap>
#include <QSignalSpy>
#include <QTest>

namespace {

struct Recorder : CrawlReporter
{
    QMap<int, QString> status;
    QMap<int, QString> slotStatus;
    QStringList normal;
    QStringList errors;
    void statusText(int panel, const QString &text) override { status[panel] = text; }
    void slotStatusText(int panel, const QString &text) override { slotStatus[panel] = text; }
    void LogNormal(const QString &line) override { normal.append(line); }
    void LogError(const QString &line) override { errors.append(line); }
};

struct Fixture
{
    Recorder reporter;
    LinkExtractor links;
    Fixture() { links.setReporter(&reporter); }
    QStringList urlLines() const { return links.urlList()->texts(); }
    QStringList imageLines() const { return links.imageList()->texts(); }
};

const CrawlPage Page{2, "h", "http://h/d/p.html"};

QStringList lines(std::initializer_list<const char *> texts)
{
    QStringList result;
    for (const char *text : texts)
        result.append(QString::fromUtf8(text));
    return result;
}

} // namespace

class TestLinkExtractor : public QObject
{
    Q_OBJECT
private slots:
    void lineFormat_data();
    void lineFormat();
    void addEntryNumbersAndRefusesDuplicates();
    void indexFindsEveryURLAfterGrowing();
    void readEntry_data();
    void readEntry();
    void markEntry();
    void statusesNeedNoSetUp();
    void markedWideNumbersStayReadable();
    void extractLinks_data();
    void extractLinks();
    void extractLinksWithExtras_data();
    void extractLinksWithExtras();
    void extractLinksEarlyExits();
    void pageLinkCountAndBadHost();
    void viewsHearOfRowsOncePerPage();
};

void TestLinkExtractor::lineFormat_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("first") << 0 << int(LinkList::New) << QByteArray("0000  ----     http://h/");
    QTest::newRow("wider than four digits")
        << 12345 << int(LinkList::New) << QByteArray("12345  ----     http://h/");
    // Two-byte characters take two of the eight bytes each.
    QTest::newRow("開始") << 7 << int(LinkList::Started)
                          << QByteArray("0007  \x8a\x4a\x8e\x6e     http://h/");
    QTest::newRow("エラー") << 7 << int(LinkList::Failed)
                            << QByteArray("0007  \x83\x47\x83\x89\x81\x5b   http://h/");
    QTest::newRow("終了") << 7 << int(LinkList::Done)
                          << QByteArray("0007  \x8f\x49\x97\xb9     http://h/");
}

void TestLinkExtractor::lineFormat()
{
    QFETCH(int, number);
    QFETCH(int, status);
    QFETCH(QByteArray, line);
    QCOMPARE(FormatEntryLine(number, LinkList::Status(status), "http://h/"), line);
}

void TestLinkExtractor::addEntryNumbersAndRefusesDuplicates()
{
    Fixture f;
    LinkList &urls = *f.links.urlList();
    LinkList &images = *f.links.imageList();
    QVERIFY(f.links.AddEntry(urls, "http://h/"));
    QVERIFY(f.links.AddEntry(urls, "http://h/A.html"));
    QVERIFY(f.links.AddEntry(urls, "http://h/a.html"));          // case counts
    QVERIFY(!f.links.AddEntry(urls, "http://h:80/x/../A.html")); // same once normalised
    QVERIFY(f.links.AddEntry(urls, " http://h/b.html\t\r\n"));
    QVERIFY(!f.links.AddEntry(urls, "http://h/b.html"));
    QVERIFY(!f.links.AddEntry(urls, ""));
    f.links.MarkEntry(urls, 0, LinkList::Done);
    QVERIFY(!f.links.AddEntry(urls, "http://h/")); // whatever its status
    QCOMPARE(f.urlLines(),
             lines({"0000  終了     http://h/", "0001  ----     http://h/A.html",
                    "0002  ----     http://h/a.html", "0003  ----     http://h/b.html"}));

    QVERIFY(f.links.AddEntry(images, "http://h/a.jpg"));
    QVERIFY(f.links.AddEntry(images, "http://h/b.jpg"));
    QCOMPARE(f.imageLines(),
             lines({"0001  ----     http://h/a.jpg", "0002  ----     http://h/b.jpg"}));

    f.links.clearLists();
    QCOMPARE(urls.rowCount(), 0);
    QVERIFY(f.links.AddEntry(urls, "http://h/"));
    QCOMPARE(f.urlLines(), lines({"0000  ----     http://h/"}));
}

void TestLinkExtractor::indexFindsEveryURLAfterGrowing()
{
    LinkList list(0);
    for (int i = 0; i < 3000; ++i) {
        const QByteArray url = "http://h/" + QByteArray::number(i);
        QVERIFY(list.appendEntry(url));
    }
    for (int i = 0; i < 3000; ++i) {
        const QByteArray url = "http://h/" + QByteArray::number(i);
        QVERIFY(list.containsURL(url));
        QVERIFY(!list.appendEntry(url));
        QVERIFY(!list.containsURL(QByteArray(url + "x")));
    }
    QCOMPARE(list.size(), 3000);
    QCOMPARE(list.urlOf(7), QByteArrayView("http://h/7"));
    QCOMPARE(list.index(2999).data(LinkList::LineRole).toByteArray(),
             QByteArray("2999  ----     http://h/2999"));
    list.clear();
    QVERIFY(!list.containsURL("http://h/1"));
    QVERIFY(list.appendEntry("http://h/1"));
}

void TestLinkExtractor::readEntry_data()
{
    QTest::addColumn<QByteArray>("added");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("line");
    QTest::newRow("new") << QByteArray("http://h/a ") << 0
                         << QStringLiteral("0000  ----     http://h/a");
    QTest::newRow("started") << QByteArray("http://h/b") << 1
                             << QStringLiteral("0000  開始     http://h/b");
    QTest::newRow("failed") << QByteArray("http://h/c") << 2
                            << QStringLiteral("0000  エラー   http://h/c");
    QTest::newRow("done") << QByteArray("http://h/d") << 3
                          << QStringLiteral("0000  終了     http://h/d");
}

void TestLinkExtractor::readEntry()
{
    QFETCH(QByteArray, added);
    QFETCH(int, status);
    QFETCH(QString, line);
    Fixture f;
    QVERIFY(f.links.AddEntry(*f.links.urlList(), added));
    QVERIFY(f.links.MarkEntry(*f.links.urlList(), 0, status));
    const ListEntry entry = f.links.ReadEntry(*f.links.urlList(), 0);
    QCOMPARE(entry.status, status);
    QCOMPARE(entry.url, added.trimmed());
    QCOMPARE(f.reporter.slotStatus.value(5), line);
    QCOMPARE(f.links.ReadEntry(*f.links.urlList(), 1).status, -1);
}

void TestLinkExtractor::markEntry()
{
    Fixture f;
    f.links.AddEntry(*f.links.urlList(), "http://h/");
    f.links.AddEntry(*f.links.imageList(), "http://h/a.jpg");

    QVERIFY(f.links.MarkEntry(*f.links.urlList(), 0, LinkList::Started));
    QCOMPARE(f.urlLines(), lines({"0000  開始     http://h/"}));
    QVERIFY(f.reporter.normal.isEmpty()); // URL-list lines are not logged

    QVERIFY(f.links.MarkEntry(*f.links.imageList(), 0, LinkList::Failed));
    QCOMPARE(f.imageLines(), lines({"0001  エラー   http://h/a.jpg"}));
    QCOMPARE(f.reporter.normal, lines({"0001  エラー   http://h/a.jpg"}));
    const ListEntry entry = f.links.ReadEntry(*f.links.imageList(), 0);
    QCOMPARE(entry.status, int(LinkList::Failed));
    QCOMPARE(entry.url, QByteArray("http://h/a.jpg"));

    QVERIFY(!f.links.MarkEntry(*f.links.imageList(), 1, 0));
    QVERIFY(!f.links.MarkEntry(*f.links.imageList(), 0, 4));
}

// A bare extractor, with no set-up call, knows all four statuses: each mark
// reads back, shows in its row's line and reaches views of that row.
void TestLinkExtractor::statusesNeedNoSetUp()
{
    LinkExtractor links;
    LinkList &images = *links.imageList();
    QVERIFY(links.AddEntry(images, "http://h/a.jpg"));
    QVERIFY(links.AddEntry(images, "http://h/b.jpg"));
    QSignalSpy changed(&images, &QAbstractItemModel::dataChanged);
    const QStringList shown =
        lines({"0002  ----     http://h/b.jpg", "0002  開始     http://h/b.jpg",
               "0002  エラー   http://h/b.jpg", "0002  終了     http://h/b.jpg"});
    for (int status : {3, 1, 2, 0}) {
        QVERIFY(links.MarkEntry(images, 1, status));
        QCOMPARE(links.ReadEntry(images, 1).status, status);
        QCOMPARE(images.index(1).data().toString(), shown[status]);
        QCOMPARE(changed.last().at(0).toModelIndex().row(), 1);
    }
    QCOMPARE(changed.size(), 4);
    QCOMPARE(links.ReadEntry(images, 0).status, int(LinkList::New));
}

void TestLinkExtractor::markedWideNumbersStayReadable()
{
    Fixture f;
    LinkList &urls = *f.links.urlList();
    for (int i = 0; i < 10001; ++i)
        f.links.AddEntry(urls, QByteArray("http://h/" + QByteArray::number(i) + ".html"));
    QCOMPARE(urls.index(10000).data(LinkList::LineRole).toByteArray(),
             QByteArray("10000  ----     http://h/10000.html"));
    for (int status : {1, 3, 2}) {
        QVERIFY(f.links.MarkEntry(urls, 10000, status));
        const ListEntry entry = f.links.ReadEntry(urls, 10000);
        QCOMPARE(entry.status, status);
        QCOMPARE(entry.url, QByteArray("http://h/10000.html"));
    }
    // A fifth digit shifts the word; it does not eat a separating blank.
    QCOMPARE(urls.lineText(10000), QStringLiteral("10000  エラー   http://h/10000.html"));
    QVERIFY(!f.links.AddEntry(urls, "http://h/10000.html"));
}

void TestLinkExtractor::extractLinks_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<int>("types"); // bits: 1 JPEG, 2 GIF, 4 BMP
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<QStringList>("images");

    QTest::newRow("same link twice")
        << QByteArray("<a href=\"x.html\">x</a> <A HREF=x.html>again</A>") << 1
        << lines({"0000  ----     http://h/d/x.html"}) << QStringList();
    QTest::newRow("fragment and query endings are not followed")
        << QByteArray("<a href=a.html#top><a href=b.htm?x=1><a href=dir><a href=c.pdf>") << 1
        << QStringList() << QStringList();
    QTest::newRow("followed endings")
        << QByteArray("<a href=A.HTM><a href=b.Html><a href=sub/>") << 1
        << lines({"0000  ----     http://h/d/A.HTM", "0001  ----     http://h/d/b.Html",
                  "0002  ----     http://h/d/sub/"})
        << QStringList();
    QTest::newRow("image with a query string is not an image")
        << QByteArray("<img src=\"p.jpg?size=2\"><a href=q.jpg?x>") << 1 << QStringList()
        << QStringList();
    QTest::newRow("href and src both images")
        << QByteArray("<a href=big.jpg src=small.jpg><a href=big.jpg><img src=small.jpg>") << 1
        << QStringList()
        << lines({"0001  ----     http://h/d/big.jpg", "0002  ----     http://h/d/small.jpg"});
    QTest::newRow("relative, rooted, parent, absolute")
        << QByteArray("<a href=../up.html><a href=/root.html><a href=~u/>"
                      "<a href=http://other/o.html><img src=../i/a.gif>")
        << 2
        << lines({"0000  ----     http://h/up.html", "0001  ----     http://h/root.html",
                  "0002  ----     http://h/~u/", "0003  ----     http://other/o.html"})
        << lines({"0001  ----     http://h/i/a.gif"});
    QTest::newRow("disabled type is a page link, then filtered")
        << QByteArray("<a href=a.gif><img src=b.gif>") << 1 << QStringList() << QStringList();
    QTest::newRow("any tag, comments too")
        << QByteArray("<frame src=f.html><area href=m.html><!-- <a href=c.html> -->"
                      "<body background=\"bg.jpg\">")
        << 1 << lines({"0000  ----     http://h/d/m.html", "0001  ----     http://h/d/c.html"})
        << QStringList();
    QTest::newRow("markup as editors write it")
        << QByteArray(
               "<a href='single.html'>s</a>\r\n<img\r\n  src=\"pretty.jpg\"\r\n  alt=\"a picture\">"
               "<a class=\"menu\"\n   href=\"next.html\">n</a>")
        << 1
        << lines({"0000  ----     http://h/d/single.html", "0001  ----     http://h/d/next.html"})
        << lines({"0001  ----     http://h/d/pretty.jpg"});
    QTest::newRow("other schemes are not web addresses")
        << QByteArray("<a href=ftp://x.org/pub/><a href=\"mailto:a@b.html\"><a href=news:c.html>"
                      "<img src=ftp://x.org/p.jpg><a href=file:///C:/My/a.jpg><img src=C:\\a.jpg>"
                      "<a href=data.html?x=a:b><a href=a:b/c.html><img src=\"/img/x:1.jpg\">")
        << 1 << QStringList() << lines({"0001  ----     http://h/img/x:1.jpg"});
    QTest::newRow("no tags") << QByteArray("just words, no markup at all") << 7 << QStringList()
                             << QStringList();
    QTest::newRow("unterminated tag")
        << QByteArray("<p>text<a href=last.html") << 1
        << lines({"0000  ----     http://h/d/last.html"}) << QStringList();
}

void TestLinkExtractor::extractLinks()
{
    QFETCH(QByteArray, source);
    QFETCH(int, types);
    QFETCH(QStringList, urls);
    QFETCH(QStringList, images);
    Fixture f;
    f.links.ExtractLinks(Page, source,
                         ImageTypes{(types & 1) != 0, (types & 2) != 0, (types & 4) != 0});
    QCOMPARE(f.urlLines(), urls);
    QCOMPARE(f.imageLines(), images);
    QCOMPARE(f.links.pageLinkCount(), int(urls.size()));
    QVERIFY(f.reporter.errors.isEmpty());
}

// Each box off reads the page as always; on, its links are resolved,
// normalised and taken once like any other.
void TestLinkExtractor::extractLinksWithExtras_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("boxes"); // q queryType, c contentType, s srcset, y CSS, m meta
    QTest::addColumn<QStringList>("images");

    const QByteArray srcset = "<img src=a.jpg srcset=\"./a.jpg 1x, ../d/big.jpg 2x\">";
    QTest::newRow("srcset off") << srcset << QByteArray()
                                << lines({"0001  ----     http://h/d/a.jpg"});
    QTest::newRow("srcset on") << srcset << QByteArray("s")
                               << lines({"0001  ----     http://h/d/a.jpg",
                                         "0002  ----     http://h/d/big.jpg"});
    const QByteArray css = "<div style=\"background:url('/bg.jpg')\"><style>p{content:url(c.jpg)}";
    QTest::newRow("CSS off") << css << QByteArray() << QStringList();
    QTest::newRow("CSS on") << css << QByteArray("y")
                            << lines({"0001  ----     http://h/bg.jpg",
                                      "0002  ----     http://h/d/c.jpg"});
    const QByteArray meta = "<meta property=og:image content=\"http://h:80/o.jpg\">";
    QTest::newRow("meta off") << meta << QByteArray() << QStringList();
    QTest::newRow("meta on") << meta << QByteArray("m") << lines({"0001  ----     http://h/o.jpg"});
    const QByteArray untyped = "<img src=\"/image?id=7&amp;s=2\"><a href=/photo/1><img src=a.jpg>";
    QTest::newRow("Content-Type off")
        << untyped << QByteArray() << lines({"0001  ----     http://h/d/a.jpg"});
    QTest::newRow("Content-Type on")
        << untyped << QByteArray("c")
        << lines({"0001  ----     http://h/image?id=7&s=2", "0002  ----     http://h/d/a.jpg"});
    const QByteArray query = "<img src=\"p.jpg?w=1&amp;h=2\"><img src=\"a&amp;b.jpg\">";
    QTest::newRow("queryType off")
        << query << QByteArray() << lines({"0001  ----     http://h/d/a&amp;b.jpg"});
    QTest::newRow("queryType on") << query << QByteArray("q")
                                  << lines({"0001  ----     http://h/d/p.jpg?w=1&h=2",
                                            "0002  ----     http://h/d/a&b.jpg"});
}

void TestLinkExtractor::extractLinksWithExtras()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, boxes);
    QFETCH(QStringList, images);
    Fixture f;
    if (boxes.isEmpty())
        f.links.ExtractLinks(Page, source, ImageTypes{});
    else
        f.links.ExtractLinks(Page, source, ImageTypes{},
                             ExtraSettings{boxes.contains('q'), boxes.contains('c'),
                                           boxes.contains('s'), boxes.contains('y'),
                                           boxes.contains('m')});
    QCOMPARE(f.imageLines(), images);
    QCOMPARE(f.links.urlList()->size(), 0);
}

void TestLinkExtractor::extractLinksEarlyExits()
{
    Fixture f;
    f.links.ExtractLinks(CrawlPage{3, "h", "http://h/"}, QByteArrayView(), ImageTypes{});
    QCOMPARE(f.reporter.normal, QStringList{QStringLiteral("HTML ソース無し 3")});
    QCOMPARE(f.reporter.status.value(0), QStringLiteral("HTML ソース無し"));

    const QByteArray source = "<a href=x.html>";
    f.links.ExtractLinks(CrawlPage{1, "", "http://h/"}, source, ImageTypes{});
    f.links.ExtractLinks(CrawlPage{1, "h", ""}, source, ImageTypes{});
    QCOMPARE(f.reporter.errors, QStringList(2, QStringLiteral("Error grHost or grURL")));
    QCOMPARE(f.links.urlList()->size(), 0);
}

void TestLinkExtractor::pageLinkCountAndBadHost()
{
    Fixture f;
    f.links.ExtractLinks(Page, "<a href=a.html><a href=b.html><a href=a.html>", ImageTypes{});
    QCOMPARE(f.reporter.status.value(1), QStringLiteral("リンク : 2件"));

    // A link that leaves no host is reported and listed all the same.
    QVERIFY(f.links.AddPageLink(Page, "http:///c.html"));
    QCOMPARE(f.reporter.errors, QStringList{QStringLiteral("Error newHost http:///c.html")});
    QCOMPARE(f.reporter.status.value(1), QStringLiteral("リンク : 3件"));
    QCOMPARE(f.links.pageLinkCount(), 3);
    QVERIFY(!f.links.AddPageLink(Page, "a.html"));
    QVERIFY(f.links.AddImageLink(Page, "../x.jpg?any"));
    QCOMPARE(f.imageLines(), lines({"0001  ----     http://h/x.jpg?any"}));

    f.links.resetPageLinkCount();
    QCOMPARE(f.links.pageLinkCount(), 0);
}

void TestLinkExtractor::viewsHearOfRowsOncePerPage()
{
    Fixture f;
    QSignalSpy inserted(f.links.urlList(), &QAbstractItemModel::rowsInserted);
    QByteArray source;
    for (int i = 0; i < 50; ++i)
        source += "<a href=p" + QByteArray::number(i) + ".html>";
    f.links.ExtractLinks(Page, source, ImageTypes{});
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);
    QCOMPARE(inserted.at(0).at(2).toInt(), 49);
    QCOMPARE(f.links.urlList()->rowCount(), 50);
    QCOMPARE(f.links.urlList()->index(49).data().toString(),
             QStringLiteral("0049  ----     http://h/d/p49.html"));
}

QTEST_APPLESS_MAIN(TestLinkExtractor)
#include "test_linkextractor.moc"
