#include "crawl/urlroutines.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Straightforward copies of the routines, copying the rest of the text at
// every step. The real routines work on views in one pass; over random text
// both must give the same results.
QByteArray refSplitAt(const QByteArray &separator, QByteArray &text)
{
    const qsizetype at = text.toLower().indexOf(separator.toLower());
    if (at < 0) {
        const QByteArray head = text;
        text.clear();
        return head;
    }
    const QByteArray head = text.left(at);
    text = text.mid(at + separator.size());
    return head;
}

QByteArray refDirectoryOf(QByteArray url)
{
    QByteArray result = refSplitAt("//", url) + "//";
    result += refSplitAt("/", url);
    while (url.contains('/'))
        result += '/' + refSplitAt("/", url);
    return result;
}

QByteArray refNormalize(QByteArray url)
{
    if (url.startsWith("http://")) {
        const qsizetype slash = url.indexOf('/', 7);
        const QByteArray authority = url.mid(7, slash < 0 ? -1 : slash - 7);
        if (authority.size() > 3 && authority.endsWith(":80"))
            url.remove(7 + authority.size() - 3, 3);
    }
    while (url.contains("/../")) {
        const QByteArray head = refSplitAt("/../", url);
        url = refDirectoryOf(head) + '/' + url;
    }
    while (url.contains("/./")) {
        const QByteArray head = refSplitAt("/./", url);
        url = head + '/' + url;
    }
    return url;
}

QByteArray refNextTag(QByteArray &source)
{
    QByteArray piece = refSplitAt(">", source);
    while (!piece.contains('<') && !source.isEmpty())
        piece = refSplitAt(">", source);
    while (piece.contains('<'))
        piece = piece.mid(piece.indexOf('<') + 1);
    return piece;
}

QByteArray randomText(QRandomGenerator &random, const QByteArray &alphabet, int maxLength)
{
    const int length = int(random.bounded(maxLength + 1));
    QByteArray text;
    for (int i = 0; i < length; ++i)
        text += alphabet.at(qsizetype(random.bounded(int(alphabet.size()))));
    return text;
}

QList<QByteArray> allTags(QByteArrayView source)
{
    QList<QByteArray> tags;
    QByteArrayView tag = NextTag(source);
    while (!tag.isEmpty() || !source.isEmpty()) {
        tags.append(tag.toByteArray());
        tag = NextTag(source);
    }
    return tags;
}

} // namespace

class TestUrlRoutines : public QObject
{
    Q_OBJECT
private slots:
    void splitAt_data();
    void splitAt();
    void cutThrough_data();
    void cutThrough();
    void hostOf_data();
    void hostOf();
    void directoryOf_data();
    void directoryOf();
    void nextTag_data();
    void nextTag();
    void attributeValue_data();
    void attributeValue();
    void normalizeURL_data();
    void normalizeURL();
    void resolveLink_data();
    void resolveLink();
    void resolveLinkOnHttpsPage_data();
    void resolveLinkOnHttpsPage();
    void isImageURL_data();
    void isImageURL();
    void sameAsStepByStepOverRandomText();
};

void TestUrlRoutines::splitAt_data()
{
    QTest::addColumn<QByteArray>("separator");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("rest");
    QTest::newRow("first of several")
        << QByteArray(">") << QByteArray("a>b>c") << QByteArray("a") << QByteArray("b>c");
    QTest::newRow("letters in either case")
        << QByteArray("href") << QByteArray("a HREF=x") << QByteArray("a ") << QByteArray("=x");
    QTest::newRow("not found") << QByteArray(">") << QByteArray("abc") << QByteArray("abc")
                               << QByteArray();
    QTest::newRow("at the start") << QByteArray("//") << QByteArray("//h/p") << QByteArray()
                                  << QByteArray("h/p");
}

void TestUrlRoutines::splitAt()
{
    QFETCH(QByteArray, separator);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, rest);
    QByteArrayView view(text);
    QCOMPARE(SplitAt(separator, view).toByteArray(), head);
    QCOMPARE(view.toByteArray(), rest);
}

void TestUrlRoutines::cutThrough_data()
{
    QTest::addColumn<QByteArray>("separator");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("rest");
    QTest::newRow("found later") << QByteArray("http://") << QByteArray("xhttp://h/p") << true
                                 << QByteArray("h/p");
    QTest::newRow("case matters") << QByteArray("HTTP://") << QByteArray("http://h") << false
                                  << QByteArray("http://h");
    QTest::newRow("absent") << QByteArray("=") << QByteArray("abc") << false << QByteArray("abc");
}

void TestUrlRoutines::cutThrough()
{
    QFETCH(QByteArray, separator);
    QFETCH(QByteArray, text);
    QFETCH(bool, found);
    QFETCH(QByteArray, rest);
    QByteArrayView view(text);
    QCOMPARE(CutThrough(separator, view), found);
    QCOMPARE(view.toByteArray(), rest);
}

void TestUrlRoutines::hostOf_data()
{
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<QByteArray>("host");
    QTest::newRow("plain") << QByteArray("http://h/a/b.html") << QByteArray("h");
    QTest::newRow("with port") << QByteArray("http://h:8080/a") << QByteArray("h:8080");
    QTest::newRow("no path") << QByteArray("http://h") << QByteArray("h");
    QTest::newRow("ftp") << QByteArray("ftp://h/a") << QByteArray();
    QTest::newRow("https") << QByteArray("https://a.example/x") << QByteArray("a.example");
    QTest::newRow("https with port") << QByteArray("https://h:8443") << QByteArray("h:8443");
    QTest::newRow("https without slashes up to first slash")
        << QByteArray("https:h/a") << QByteArray("https:h");
    QTest::newRow("scheme in capitals") << QByteArray("HTTP://h/a") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestUrlRoutines::hostOf()
{
    QFETCH(QByteArray, url);
    QFETCH(QByteArray, host);
    QCOMPARE(HostOf(url), host);
}

void TestUrlRoutines::directoryOf_data()
{
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<QByteArray>("directory");
    QTest::newRow("file name") << QByteArray("http://h/d/p.html") << QByteArray("http://h/d");
    QTest::newRow("trailing slash") << QByteArray("http://h/d/") << QByteArray("http://h/d");
    QTest::newRow("host only") << QByteArray("http://h") << QByteArray("http://h");
    QTest::newRow("host and slash") << QByteArray("http://h/") << QByteArray("http://h");
    QTest::newRow("no double slash") << QByteArray("abc") << QByteArray("abc//");
}

void TestUrlRoutines::directoryOf()
{
    QFETCH(QByteArray, url);
    QFETCH(QByteArray, directory);
    QCOMPARE(DirectoryOf(url), directory);
    QCOMPARE(DirectoryOf(url), refDirectoryOf(url));
}

void TestUrlRoutines::nextTag_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QList<QByteArray>>("tags");
    QTest::newRow("text, tag, trailing text")
        << QByteArray("text<a href=x.html>more") << QList<QByteArray>{"a href=x.html", "more"};
    QTest::newRow("after the last <") << QByteArray("x<<a>y<b c>") << QList<QByteArray>{"a", "b c"};
    QTest::newRow("no tags, only >") << QByteArray("a>b>c") << QList<QByteArray>{"c"};
    QTest::newRow("no tags at all")
        << QByteArray("plain words") << QList<QByteArray>{"plain words"};
    QTest::newRow("unterminated") << QByteArray("<a href=x") << QList<QByteArray>{"a href=x"};
    QTest::newRow("empty") << QByteArray() << QList<QByteArray>{};
    QTest::newRow("NUL bytes") << QByteArray("<a\0b>", 5)
                               << QList<QByteArray>{QByteArray("a\0b", 3)};
}

void TestUrlRoutines::nextTag()
{
    QFETCH(QByteArray, source);
    QFETCH(QList<QByteArray>, tags);
    QCOMPARE(allTags(source), tags);

    QByteArrayView view(source);
    (void)NextTag(view);
    if (tags.size() <= 1)
        QVERIFY(view.isEmpty());
}

void TestUrlRoutines::attributeValue_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("tag");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("capitals, blanks around =, quotes")
        << QByteArray("href") << QByteArray("a HREF = \"x.html\"") << true << QByteArray("x.html");
    QTest::newRow("nothing before the name")
        << QByteArray("href") << QByteArray("href=x.html") << false << QByteArray();
    QTest::newRow("tail of a longer name")
        << QByteArray("src") << QByteArray("img datasrc=a.jpg") << true << QByteArray("a.jpg");
    QTest::newRow("quoted value keeps its blank")
        << QByteArray("href") << QByteArray("a href=\"my file.html\" id=x") << true
        << QByteArray("my file.html");
    QTest::newRow("single quotes") << QByteArray("href") << QByteArray("a href='x.html' id=\"y\"")
                                   << true << QByteArray("x.html");
    QTest::newRow("blanks inside the quotes")
        << QByteArray("src") << QByteArray("img src=\" a.jpg\n\"") << true << QByteArray("a.jpg");
    QTest::newRow("tag over several lines")
        << QByteArray("src") << QByteArray("img\r\n  src=\"a.jpg\"\r\n  alt=\"x\"") << true
        << QByteArray("a.jpg");
    QTest::newRow("unquoted value ends at a line break")
        << QByteArray("src") << QByteArray("img src=a.jpg\n alt=x") << true << QByteArray("a.jpg");
    QTest::newRow("never closed") << QByteArray("href") << QByteArray("a href=\"x.html id=y")
                                  << true << QByteArray("x.html");
    QTest::newRow("ends at the next attribute")
        << QByteArray("href") << QByteArray("a href=x.html target=_top") << true
        << QByteArray("x.html");
    QTest::newRow("control bytes before the value")
        << QByteArray("href") << QByteArray("a href=\t\r\n x.html") << true << QByteArray("x.html");
    QTest::newRow("no =") << QByteArray("href") << QByteArray("a href") << false << QByteArray();
    QTest::newRow("empty value") << QByteArray("href") << QByteArray("a href=") << false
                                 << QByteArray();
    QTest::newRow("empty quotes") << QByteArray("href") << QByteArray("a href=\"\"") << false
                                  << QByteArray();
    QTest::newRow("lone quote") << QByteArray("href") << QByteArray("a href=\"") << false
                                << QByteArray();
    QTest::newRow("absent") << QByteArray("src") << QByteArray("a href=x.html") << false
                            << QByteArray();
}

void TestUrlRoutines::attributeValue()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, tag);
    QFETCH(bool, found);
    QFETCH(QByteArray, value);
    QByteArrayView result;
    QCOMPARE(AttributeValue(name, tag, result), found);
    QCOMPARE(result.toByteArray(), value);
}

void TestUrlRoutines::normalizeURL_data()
{
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<QByteArray>("normal");
    QTest::newRow("port 80, /./ and /../")
        << QByteArray("http://h:80/a/./b/../c.html") << QByteArray("http://h/a/c.html");
    QTest::newRow("above the root") << QByteArray("http://h/../c") << QByteArray("http://h/c");
    QTest::newRow("two levels up")
        << QByteArray("http://h/a/b/../../c") << QByteArray("http://h/c");
    QTest::newRow("repeated /./") << QByteArray("http://h/a/././b") << QByteArray("http://h/a/b");
    QTest::newRow("port 80 without a path") << QByteArray("http://h:80") << QByteArray("http://h");
    QTest::newRow("port 8080 stays")
        << QByteArray("http://h:8080/a") << QByteArray("http://h:8080/a");
    QTest::newRow("port 8000 stays") << QByteArray("http://h:8000") << QByteArray("http://h:8000");
    QTest::newRow(":80 in the path stays")
        << QByteArray("http://h/x:80/y:80") << QByteArray("http://h/x:80/y:80");
    QTest::newRow("https on port 80 stays")
        << QByteArray("https://h:80/a") << QByteArray("https://h:80/a");
    QTest::newRow("nothing else changes")
        << QByteArray("http://H/A//b/") << QByteArray("http://H/A//b/");
    QTest::newRow("no scheme") << QByteArray("/../x") << QByteArray("///x");
}

void TestUrlRoutines::normalizeURL()
{
    QFETCH(QByteArray, url);
    QFETCH(QByteArray, normal);
    QCOMPARE(NormalizeURL(url), normal);
}

void TestUrlRoutines::resolveLink_data()
{
    QTest::addColumn<QByteArray>("link");
    QTest::addColumn<QByteArray>("absolute");
    QTest::newRow("parent") << QByteArray("../q.htm") << QByteArray("http://h/q.htm");
    QTest::newRow("rooted") << QByteArray("/r.html") << QByteArray("http://h/r.html");
    QTest::newRow("tilde") << QByteArray("~u/") << QByteArray("http://h/~u/");
    QTest::newRow("relative") << QByteArray("sub/s.html") << QByteArray("http://h/d/sub/s.html");
    QTest::newRow("dot slash") << QByteArray("./t.html") << QByteArray("http://h/d/t.html");
    QTest::newRow("absolute") << QByteArray("http://o/x.html") << QByteArray("http://o/x.html");
    QTest::newRow("absolute normalised")
        << QByteArray("http://o:80/a/../b.html") << QByteArray("http://o/b.html");
    QTest::newRow("https taken as absolute")
        << QByteArray("https://s/x.html") << QByteArray("https://s/x.html");
    QTest::newRow("scheme in capitals")
        << QByteArray("HTTP://o/X.html") << QByteArray("http://o/X.html");
    QTest::newRow("not a scheme before ://")
        << QByteArray("./Http://x") << QByteArray("http://h/d/Http://x");
    QTest::newRow("a page named http")
        << QByteArray("http.html") << QByteArray("http://h/d/http.html");
    QTest::newRow("a picture named https")
        << QByteArray("https-logo.jpg") << QByteArray("http://h/d/https-logo.jpg");
    QTest::newRow("other scheme is a path")
        << QByteArray("mailto:a@b") << QByteArray("http://h/d/mailto:a@b");
    QTest::newRow("scheme-relative")
        << QByteArray("//cdn.o/i/../a.jpg") << QByteArray("http://cdn.o/a.jpg");
}

void TestUrlRoutines::resolveLink()
{
    QFETCH(QByteArray, link);
    QFETCH(QByteArray, absolute);
    QCOMPARE(ResolveLink("h", "http://h/d/p.html", link), absolute);
}

void TestUrlRoutines::resolveLinkOnHttpsPage_data()
{
    QTest::addColumn<QByteArray>("link");
    QTest::addColumn<QByteArray>("absolute");
    QTest::newRow("rooted") << QByteArray("/r.html") << QByteArray("https://h/r.html");
    QTest::newRow("tilde") << QByteArray("~u/") << QByteArray("https://h/~u/");
    QTest::newRow("parent") << QByteArray("../q.htm") << QByteArray("https://h/q.htm");
    QTest::newRow("http stays http")
        << QByteArray("http://o/x.html") << QByteArray("http://o/x.html");
    QTest::newRow("scheme-relative")
        << QByteArray("//cdn.o/a.jpg") << QByteArray("https://cdn.o/a.jpg");
}

void TestUrlRoutines::resolveLinkOnHttpsPage()
{
    QFETCH(QByteArray, link);
    QFETCH(QByteArray, absolute);
    QCOMPARE(ResolveLink("h", "https://h/d/p.html", link), absolute);
}

void TestUrlRoutines::isImageURL_data()
{
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<int>("types"); // bits: 1 JPEG, 2 GIF, 4 BMP
    QTest::addColumn<bool>("image");
    QTest::newRow("JPG in capitals") << QByteArray("http://h/A.JPG") << 1 << true;
    QTest::newRow("jpg with JPEG off") << QByteArray("http://h/a.jpg") << 6 << false;
    QTest::newRow("gif") << QByteArray("http://h/a.gif") << 2 << true;
    QTest::newRow("bmp") << QByteArray("http://h/a.Bmp") << 4 << true;
    QTest::newRow(".jpeg") << QByteArray("http://h/a.jpeg") << 7 << false;
    QTest::newRow("query string") << QByteArray("http://h/a.jpg?x=1") << 7 << false;
    QTest::newRow("dot in a directory") << QByteArray("http://h/d.jpg/x") << 7 << false;
    QTest::newRow("after a colon") << QByteArray("http://h.jpg:81") << 7 << false;
    QTest::newRow("after a backslash") << QByteArray("a.jpg\\b") << 7 << false;
    QTest::newRow("no dot") << QByteArray("http://h/a") << 7 << false;
    QTest::newRow("empty") << QByteArray() << 7 << false;
}

void TestUrlRoutines::isImageURL()
{
    QFETCH(QByteArray, url);
    QFETCH(int, types);
    QFETCH(bool, image);
    QCOMPARE(IsImageURL(url, ImageTypes{(types & 1) != 0, (types & 2) != 0, (types & 4) != 0}),
             image);
}

void TestUrlRoutines::sameAsStepByStepOverRandomText()
{
    QRandomGenerator random(20261208);
    for (int round = 0; round < 20000; ++round) {
        const QByteArray url = "http:" + randomText(random, "/./../a:80h", 24);
        QCOMPARE(NormalizeURL(url), refNormalize(url));
        const QByteArray bare = randomText(random, "/.a:8", 16);
        QCOMPARE(NormalizeURL(bare), refNormalize(bare));
        QCOMPARE(DirectoryOf(bare), refDirectoryOf(bare));

        QByteArray source = randomText(random, "<>a b=", 30);
        const QList<QByteArray> tags = allTags(source);
        QList<QByteArray> expected;
        QByteArray tag = refNextTag(source);
        while (!tag.isEmpty() || !source.isEmpty()) {
            expected.append(tag);
            tag = refNextTag(source);
        }
        QCOMPARE(tags, expected);
    }
}

QTEST_APPLESS_MAIN(TestUrlRoutines)
#include "test_urlroutines.moc"
