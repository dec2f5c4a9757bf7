// The crawl's manners measured: a site behind nginx's limit_req gathered
// with and without CheckRetryLater, the host interval as nginx saw it, and
// the robots.txt parser on a 500 KB file.
#include "benchreport.h"
#include "crawl/crawlengine.h"
#include "crawl/crawlreporter.h"
#include "crawl/robotsrules.h"
#include "nginxserver.h"
#include "testsite.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstring>
#include <ctime>

namespace {

struct CountingReporter : CrawlReporter
{
    int listed = 0;
    void statusText(int, const QString &) override {}
    void slotStatusText(int, const QString &) override {}
    void LogNormal(const QString &) override {}
    void LogError(const QString &) override {}
    void listAcceptedImage(const QByteArray &, qint64) override { ++listed; }
};

// A start page linking `pages` pages, each page and the start page showing
// `perPage` pictures of their own.
int writeSite(const QString &root, int pages, int perPage)
{
    int pictures = 0;
    auto pageWith = [&](QByteArray body) {
        for (int i = 0; i < perPage; ++i, ++pictures) {
            const QString name = QStringLiteral("/pics/%1.jpg").arg(pictures);
            QFile file(root + name);
            file.open(QIODevice::WriteOnly);
            file.write(makeJpeg({64, 48}, 4000, quint32(pictures)));
            body += "<img src=\"" + name.toLatin1() + "\">";
        }
        return body;
    };
    QDir().mkpath(root + QStringLiteral("/pics"));
    QByteArray index;
    for (int p = 0; p < pages; ++p) {
        QFile page(root + QStringLiteral("/p%1.html").arg(p));
        page.open(QIODevice::WriteOnly);
        page.write(pageWith({}));
        index += "<a href=\"p" + QByteArray::number(p) + ".html\">p</a>";
    }
    QFile start(root + QStringLiteral("/index.html"));
    start.open(QIODevice::WriteOnly);
    start.write(pageWith(index));
    return pictures;
}

int crawl(const QString &url, const ExtraSettings &extra, const QString &saveDir)
{
    CountingReporter reporter;
    CrawlEngine engine(&reporter);
    SearchConditions conditions;
    conditions.saveDirectory = saveDir;
    conditions.checkSize = false;
    conditions.checkRatio = false;
    conditions.speed = 6;
    conditions.maxImage = NumberText::from(QStringLiteral("100000"));
    conditions.extra = extra;
    engine.setConditions(conditions);
    QSignalSpy finished(&engine, &CrawlEngine::runFinished);
    engine.PrepareRun();
    engine.StartCrawl(url);
    finished.wait(900000);
    return reporter.listed;
}

// Start times of the requests nginx logged, in milliseconds.
std::vector<double> requestStarts(const QString &log)
{
    QFile file(log);
    file.open(QIODevice::ReadOnly);
    std::vector<double> starts;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QByteArrayList fields = line.split(' ');
        if (fields.size() >= 2)
            starts.push_back((fields[0].toDouble() - fields[1].toDouble()) * 1000);
    }
    std::sort(starts.begin(), starts.end());
    return starts;
}

double shortestGap(const std::vector<double> &starts, size_t from)
{
    double gap = 1e9;
    for (size_t i = from + 1; i < starts.size(); ++i)
        gap = std::min(gap, starts[i] - starts[i - 1]);
    return gap;
}

void throttledAndPaced()
{
    QTemporaryDir root;
    QTemporaryDir save;
    const int pictures = writeSite(root.path(), 3, 6);
    const QString log = root.path() + QStringLiteral("/access.log");
    NginxServer server(
        root.path(), {},
        QStringLiteral("    access_log %1 timing;\n    location /pics/ { limit_req zone=pics; "
                       "limit_req_status 429; }\n")
            .arg(log),
        QStringLiteral("log_format timing '$msec $request_time $request_uri';\n"
                       "limit_req_zone $binary_remote_addr zone=pics:1m rate=5r/s;\n"));
    if (!server.error().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.error()));
        return;
    }
    const QString url = QStringLiteral("http://127.0.0.1:%1/index.html").arg(server.port());

    const int off = crawl(url, {}, save.path());
    const size_t plainRequests = requestStarts(log).size();
    ExtraSettings retry;
    retry.retryLater = true;
    const int on = crawl(url, retry, save.path());
    printBench("throttled_site_gathered", double(on) / pictures, "share", double(off) / pictures,
               "1.0 (ref: CheckRetryLater off)");

    // The pictures of the pages (not throttled by then: one request every
    // 500 ms stays under 5 a second).
    const size_t before = requestStarts(log).size();
    ExtraSettings paced;
    paced.hostIntervalMs = 500;
    crawl(url, paced, save.path());
    const std::vector<double> starts = requestStarts(log);
    const double gap = shortestGap(starts, before);
    // The runs follow each other, so the first run's requests come first.
    const double plainGap = shortestGap(
        std::vector<double>(starts.begin(), starts.begin() + qsizetype(plainRequests)), 0);
    printBench("host_interval_error_ms", gap - 500, "ms", plainGap, (gap - 500) / 500,
               ">=0 (ref: shortest gap without an interval)");
}

// 500 KB: groups of other crawlers, then a "*" group of paths and patterns.
QByteArray bigRobots(QStringList &paths)
{
    QRandomGenerator random(7);
    QByteArray text = "# generated\nUser-agent: otherbot\nDisallow: /\n\n";
    for (int g = 0; g < 200; ++g)
        text += "User-agent: bot" + QByteArray::number(g) + "\nDisallow: /private" +
                QByteArray::number(g) + "/\n\n";
    text += "User-agent: *\nCrawl-delay: 1\n";
    int n = 0;
    while (text.size() < 500 * 1000) {
        const QByteArray dir = "/section" + QByteArray::number(random.bounded(400)) + "/item" +
                               QByteArray::number(n++);
        switch (random.bounded(4)) {
        case 0:
            text += "Disallow: " + dir + "/\n";
            break;
        case 1:
            text += "Allow: " + dir + "/public/\n";
            break;
        case 2:
            text += "Disallow: " + dir + "*.php$\n";
            break;
        default:
            text += "Disallow: /*/item" + QByteArray::number(n) + "?session=*\n";
        }
        paths.append(
            QString::fromLatin1(dir + "/public/page" + QByteArray::number(n) + ".html?session=1"));
    }
    return text;
}

// The thread's own CPU time: on a shared machine the wall clock also counts
// the turns of other processes, which the parser's cost does not include.
double cpuMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1000;
}

void robotsParse()
{
    QStringList pathTexts;
    const QByteArray text = bigRobots(pathTexts);
    std::vector<double> parse;
    std::vector<double> scan;
    qsizetype rules = 0;
    qsizetype lineCount = 0; // printed, so the scan is not optimised away
    std::vector<double> parseWall;
    for (int run = 0; run < 30; ++run) {
        QElapsedTimer clock;
        clock.start();
        double cpu = cpuMicroseconds();
        const RobotsRules parsed = RobotsRules::parse(text);
        parse.push_back(cpuMicroseconds() - cpu);
        parseWall.push_back(double(clock.nsecsElapsed()) / 1000);
        rules = parsed.ruleCount();
        // The floor: finding the lines of the same bytes.
        cpu = cpuMicroseconds();
        qsizetype lines = 0;
        for (const char *p = text.constData(), *end = p + text.size();
             (p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))) != nullptr; ++p)
            ++lines;
        scan.push_back(cpuMicroseconds() - cpu);
        lineCount += lines;
    }
    printBench("robots_parse_us", median(parse), "us", median(scan), "<=2000 us for 500 KB");

    const RobotsRules parsed = RobotsRules::parse(text);
    QList<QByteArray> paths;
    for (const QString &path : pathTexts)
        paths.append(path.toLatin1());
    int allowed = 0;
    const double cpu = cpuMicroseconds();
    for (int round = 0; round < 5; ++round)
        for (const QByteArray &path : paths)
            allowed += parsed.allowed(path) ? 1 : 0;
    const double perDecision = (cpuMicroseconds() - cpu) / double(paths.size() * 5);
    std::fprintf(
        stderr,
        "%lld lines, %lld rules, %d of %lld decisions allowed; parse %.0f us wall (median)\n",
        qlonglong(lineCount / 30), qlonglong(rules), allowed, qlonglong(paths.size() * 5),
        median(parseWall));
    printBench("robots_decision_us", perDecision, "us", median(parse) / double(rules),
               "<=5 us a decision (ref: parse time a rule)");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    robotsParse();
    throttledAndPaced();
    return 0;
}
