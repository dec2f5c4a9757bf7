// recrawl_requests_saved: the requests a second crawl of the generated
// benchmark site (200 pages, 400 pictures, served by nginx) sends with
// "記録済みの画像は取り直さない" on, divided by those of the first crawl into
// the same directory. Pages are fetched again, recorded pictures are not.
// Each crawl runs in a fresh engine, as after a restart of the program; the
// slots step every 10 ms, since only the requests are counted.
#include "benchreport.h"

#include "nginxserver.h"
#include "testsite.h"

#include "crawl/crawlengine.h"
#include "crawl/crawlreporter.h"
#include "record/picturerecord.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// A request is sent each time a slot shows the kind of job it took.
struct RequestCounter : CrawlReporter
{
    int requests = 0;
    int listed = 0;
    void statusText(int, const QString &) override {}
    void LogNormal(const QString &) override {}
    void LogError(const QString &) override {}
    void slotStatusText(int panel, const QString &text) override
    {
        if (panel >= 1 && (text == QStringLiteral("IMAGE") || text == QStringLiteral("TEXT")))
            ++requests;
    }
    void listAcceptedImage(const QByteArray &, qint64) override { ++listed; }
};

RequestCounter crawl(const QString &startURL, const QString &saveDir)
{
    RequestCounter counter;
    PictureRecord record;
    CrawlEngine engine(&counter);
    SearchConditions conditions;
    conditions.saveDirectory = saveDir;
    conditions.checkSize = false;
    conditions.checkRatio = false;
    conditions.speed = 6;
    conditions.maxURL = NumberText::from(QStringLiteral("100000"));
    conditions.maxImage = NumberText::from(QStringLiteral("100000"));
    conditions.extra.record = true;
    conditions.extra.skipSaved = true;
    engine.setConditions(conditions);
    engine.setRecord(&record);
    engine.setTickInterval(10);
    QSignalSpy finished(&engine, &CrawlEngine::runFinished);
    engine.PrepareRun();
    engine.StartCrawl(startURL);
    if (!finished.wait(600000))
        counter.requests = -1;
    return counter;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv); // the site's pictures are written with Qt's JPEG writer
    QTemporaryDir www;
    NginxServer nginx(www.path());
    if (!nginx.error().isEmpty()) {
        std::fprintf(stderr, "bench_recrawl: %s\n", qPrintable(nginx.error()));
        return 1;
    }
    const QString port = QString::number(nginx.port());
    TestSite::Options options;
    options.pages = 200;
    options.images = 400;
    options.minBytes = 20000;
    options.maxBytes = 200000;
    options.brokenPages = 0;
    options.brokenImages = 0;
    const TestSite site = TestSite::generate(QStringLiteral("127.0.0.1:") + port,
                                             QStringLiteral("127.0.0.2:") + port, options);
    if (!site.writeTo(www.path()))
        return 1;
    QTemporaryDir saveDir;
    const RequestCounter first = crawl(site.startURL(), saveDir.path());
    const RequestCounter second = crawl(site.startURL(), saveDir.path());
    if (first.requests <= 0 || second.requests < 0) {
        std::fprintf(stderr, "bench_recrawl: a crawl did not end\n");
        return 1;
    }
    std::printf("# first crawl %d requests, %d pictures listed; second %d requests, %d listed\n",
                first.requests, first.listed, second.requests, second.listed);
    printBench("recrawl_requests_saved", second.requests, "requests", first.requests, "<=0.35");
    return 0;
}
