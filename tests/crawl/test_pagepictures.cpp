#include "crawl/pagepictures.h"
#include "crawl/urlroutines.h"

#include <QTest>

namespace {

// Types and boxes as letters. Types: j JPEG, g GIF, b BMP, p PNG, w WebP,
// a AVIF, J the JPEG aliases. Boxes: q queryType, c contentType, s srcset,
// y cssImage, m metaImage.
ImageTypes typesOf(const QByteArray &f)
{
    return ImageTypes{f.contains('j'), f.contains('g'), f.contains('b'), f.contains('p'),
                      f.contains('w'), f.contains('a'), f.contains('J')};
}

ExtraSettings extraOf(const QByteArray &f)
{
    return ExtraSettings{f.contains('q'), f.contains('c'), f.contains('s'), f.contains('y'),
                         f.contains('m')};
}

} // namespace

class TestPagePictures : public QObject
{
    Q_OBJECT
private slots:
    void imageExtension_data();
    void imageExtension();
    void contentTypes();
    void decodeEntities_data();
    void decodeEntities();
    void srcsetChoice_data();
    void srcsetChoice();
    void cssURLs_data();
    void cssURLs();
    void pageReading_data();
    void pageReading();
};

void TestPagePictures::imageExtension_data()
{
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("extension");
    QTest::newRow("case kept") << QByteArray("http://h/a.PNG") << QByteArray("p")
                               << QByteArray(".PNG");
    QTest::newRow("webp, avif not selected")
        << QByteArray("/a.webp") << QByteArray("ja") << QByteArray();
    QTest::newRow("avif") << QByteArray("/a.Avif") << QByteArray("a") << QByteArray(".Avif");
    QTest::newRow(".jpeg without aliases")
        << QByteArray("/a.jpeg") << QByteArray("j") << QByteArray();
    QTest::newRow(".jfif as JPEG")
        << QByteArray("/a.jfif") << QByteArray("jJ") << QByteArray(".jfif");
    QTest::newRow(".jpe needs JPEG on") << QByteArray("/a.jpe") << QByteArray("gJ") << QByteArray();
    QTest::newRow("query, path read")
        << QByteArray("/a.jpg?w=800") << QByteArray("jq") << QByteArray(".jpg");
    QTest::newRow("fragment, path read")
        << QByteArray("/a.JPEG#x?y") << QByteArray("jJq") << QByteArray(".JPEG");
    QTest::newRow("type in the query")
        << QByteArray("/a.php?img=x.jpg") << QByteArray("jq") << QByteArray();
    QTest::newRow("after a backslash")
        << QByteArray("a.png\\b?x") << QByteArray("pq") << QByteArray();
}

void TestPagePictures::imageExtension()
{
    QFETCH(QByteArray, url);
    QFETCH(QByteArray, flags);
    QFETCH(QByteArray, extension);
    const bool query = flags.contains('q');
    QCOMPARE(::imageExtension(url, typesOf(flags), query).toByteArray(), extension);
    QCOMPARE(IsImageURL(url, typesOf(flags), query), !extension.isEmpty());
}

void TestPagePictures::contentTypes()
{
    const ImageTypes jpegAndWebP = typesOf("jw");
    QCOMPARE(contentTypeExtension("Image/JPEG; charset=x", jpegAndWebP), QByteArrayView(".jpg"));
    QCOMPARE(contentTypeExtension(" image/webp", jpegAndWebP), QByteArrayView(".webp"));
    QCOMPARE(contentTypeExtension("image/x-ms-bmp", typesOf("b")), QByteArrayView(".bmp"));
    QVERIFY(contentTypeExtension("image/png", jpegAndWebP).isEmpty());
    QVERIFY(contentTypeExtension("text/html", jpegAndWebP).isEmpty());
}

void TestPagePictures::decodeEntities_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("decoded");
    QTest::newRow("named") << QByteArray("a?x=1&amp;y=&lt;&gt;&quot;&apos;")
                           << QByteArray("a?x=1&y=<>\"'");
    QTest::newRow("numeric") << QByteArray("&#38;&#x26;&#X26;&#38x") << QByteArray("&&&&x");
    QTest::newRow("as UTF-8") << QByteArray("&#x3042;.jpg") << QByteArray("\xe3\x81\x82.jpg");
    QTest::newRow("no character") << QByteArray("&#0;&#xD800;&#99999999999;")
                                  << QByteArray("\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
    QTest::newRow("left as written")
        << QByteArray("&copy;&amp &#;&#x;&") << QByteArray("&copy;&amp &#;&#x;&");
}

void TestPagePictures::decodeEntities()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, decoded);
    QByteArray buffer;
    QCOMPARE(::decodeEntities(text, buffer).toByteArray(), decoded);
}

void TestPagePictures::srcsetChoice_data()
{
    QTest::addColumn<QByteArray>("srcset");
    QTest::addColumn<QByteArray>("chosen");
    QTest::newRow("widest") << QByteArray("a.jpg 400w, b.jpg 1200w, c.jpg 800w")
                            << QByteArray("b.jpg");
    QTest::newRow("densest, none is 1x")
        << QByteArray("a.jpg 0.5x, b.jpg, c.jpg 0.8x") << QByteArray("b.jpg");
    QTest::newRow("no descriptors: the last") << QByteArray("a.jpg, b.jpg") << QByteArray("b.jpg");
    QTest::newRow("line breaks") << QByteArray("\n a.jpg\t1x,\r\n b.jpg 2x\n")
                                 << QByteArray("b.jpg");
    QTest::newRow("data: address keeps its commas")
        << QByteArray("data:image/gif;base64,R0l= 2x, z.jpg")
        << QByteArray("data:image/gif;base64,R0l=");
    QTest::newRow("refused descriptors skipped")
        << QByteArray("a.jpg 9y, b.jpg 100w 2x, c.jpg infx, d.jpg 0w, e.jpg 1x")
        << QByteArray("e.jpg");
    QTest::newRow("nothing") << QByteArray(" , ,") << QByteArray();
}

void TestPagePictures::srcsetChoice()
{
    QFETCH(QByteArray, srcset);
    QFETCH(QByteArray, chosen);
    QCOMPARE(largestSrcsetCandidate(srcset).toByteArray(), chosen);
}

void TestPagePictures::cssURLs_data()
{
    QTest::addColumn<QByteArray>("css");
    QTest::addColumn<QByteArrayList>("urls");
    QTest::newRow("quoted and bare")
        << QByteArray("background:url(\"a.jpg\") no-repeat, url( 'b b.jpg' ), URL(c.jpg)")
        << QByteArrayList{"a.jpg", "b b.jpg", "c.jpg"};
    QTest::newRow("only the picture properties")
        << QByteArray("border-image:url(x.jpg); Background-Image : url(y.jpg);"
                      "list-style:url(z.png);content:url(w.png)")
        << QByteArrayList{"y.jpg", "w.png"};
    QTest::newRow("not in texts or comments")
        << QByteArray("content:\"url(no.jpg)\" /* url(no.jpg); */ url(yes.jpg)")
        << QByteArrayList{"yes.jpg"};
    QTest::newRow("rules, at-rules, a ; inside url()")
        << QByteArray("@media screen{.a{background:url(data:image/png;base64,AA==)}}\n"
                      "/* c */ .b:hover { /* c */ background : url(b.jpg) }")
        << QByteArrayList{"data:image/png;base64,AA==", "b.jpg"};
    QTest::newRow("unclosed") << QByteArray("background:url('a.jpg") << QByteArrayList{"a.jpg"};
}

void TestPagePictures::cssURLs()
{
    QFETCH(QByteArray, css);
    QFETCH(QByteArrayList, urls);
    QByteArrayList found;
    for (QByteArrayView url : cssImageURLs(css))
        found.append(url.toByteArray());
    QCOMPARE(found, urls);
}

void TestPagePictures::pageReading_data()
{
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArrayList>("links"); // "i " an image link, "a " an href
    QTest::newRow("lazy image as editors write it")
        << QByteArray("js")
        << QByteArray("<IMG\r\n  data-src='lazy.jpg' SRCSET=\"s-400.jpg 400w,\n s-800.jpg 800w\""
                      "\n  data-original=orig.jpg src=tiny.gif>")
        << QByteArrayList{"i lazy.jpg", "i orig.jpg", "i s-800.jpg"};
    QTest::newRow("the src itself, not the tail of srcset")
        << QByteArray("jm") << QByteArray("<img srcset=\"a.jpg 1x, b.jpg 2x\" src=c.jpg>")
        << QByteArrayList{"i c.jpg"};
    const QByteArray picture = "<picture><source type=\"image/avif\" srcset=\"p.avif\">"
                               "<source type='image/webp; q=1' srcset=\"p.webp, p2.webp 2x\">"
                               "<source srcset=p.png><img src=\"p.jpg\" srcset=\"p2.jpg 2x\">"
                               "</picture><img src=after.jpg>";
    QTest::newRow("picture: the first selected source")
        << QByteArray("jws") << picture << QByteArrayList{"i p2.webp", "i after.jpg"};
    QTest::newRow("picture: a source by its address")
        << QByteArray("jps") << picture << QByteArrayList{"i p.png", "i after.jpg"};
    QTest::newRow("picture: else the img")
        << QByteArray("js") << picture << QByteArrayList{"i p.jpg", "i p2.jpg", "i after.jpg"};
    QTest::newRow("picture without srcset: each tag as today")
        << QByteArray("jpq") << picture << QByteArrayList{"i p.png", "i p.jpg", "i after.jpg"};
    QTest::newRow("picture: lazy source, never closed")
        << QByteArray("jwsc")
        << QByteArray("<picture><source srcset=\"data:image/gif;base64,R0l=\" type=image/webp "
                      "data-srcset=real.webp><img src=a.jpg><img src=b.jpg>")
        << QByteArrayList{"i real.webp", "i b.jpg"};
    QTest::newRow("meta in any attribute order")
        << QByteArray("jm")
        << QByteArray("<meta content=\"/og.jpg\" property=\"og:image\"><META NAME=twitter:image "
                      "CONTENT='tw.jpg'><meta property=og:title content=t.jpg>")
        << QByteArrayList{"i /og.jpg", "i tw.jpg"};
    QTest::newRow("style attribute and blocks")
        << QByteArray("jy")
        << QByteArray(
               "<div style=\"background: url(&quot;a.jpg&quot;)\"><style>.x{background:"
               "url(b.jpg)}<style>.y{content:url(c.jpg)}</STYLE><p>.z{background:url(d.jpg)}")
        << QByteArrayList{"i a.jpg", "i b.jpg", "i c.jpg"};
    QTest::newRow("contentType: img, srcset, never an href")
        << QByteArray("jcs")
        << QByteArray("<img src=\"/image?id=7\"><a href=\"/photo/123\"><img src=x.png>"
                      "<img srcset=\"/p/1 2x\"><img src=#top><img src=Logo.SVG>")
        << QByteArrayList{"i /image?id=7", "a /photo/123", "i /p/1"};
    QTest::newRow("queryType, values decoded")
        << QByteArray("jq")
        << QByteArray(
               "<a href=\"big.jpg?w=8&amp;h=6\"><img src=\"a.php?img=x.jpg\"><a href=b&#46;html>")
        << QByteArrayList{"i big.jpg?w=8&h=6", "a b.html"};
}

void TestPagePictures::pageReading()
{
    QFETCH(QByteArray, flags);
    QFETCH(QByteArray, source);
    QFETCH(QByteArrayList, links);
    PagePictureReader reader(typesOf(flags), extraOf(flags));
    QByteArrayList found;
    for (const FoundLink &link : reader.readPage(source))
        found.append((link.image ? "i " : "a ") + link.url);
    QCOMPARE(found, links);
}

QTEST_APPLESS_MAIN(TestPagePictures)
#include "test_pagepictures.moc"
