// Link extraction and list figures: extraction against a bare byte scan of
// the same page, how extraction time grows with page size, adding 200,000
// URLs (half of them duplicates) to a list, and the memory a list line costs.
#include "benchreport.h"
#include "processmemory.h"

#include "crawl/linkextractor.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <limits>
#include <malloc.h>
#include <vector>

namespace {

// CPU time of this thread: the machine is shared, and wall time would count
// the time other processes held the processor.
double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double millisecondsOf(const std::function<void()> &work)
{
    const double start = threadMilliseconds();
    work();
    return threadMilliseconds() - start;
}

double bestOf(int runs, const std::function<void()> &work)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i)
        best = std::min(best, millisecondsOf(work));
    return best;
}

// A page of about `bytes` bytes with one tag per 100 bytes. Out of every ten
// tags: a page link of its own, a link back to one of 20 navigation pages, an
// image, an off-site link and six layout tags; plain text fills the rest.
QByteArray makePage(qsizetype bytes)
{
    static const char *const filler =
        "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor. ";
    const qsizetype tags = bytes / 100;
    QByteArray page;
    page.reserve(bytes + 256);
    page += "<html><head><title>bench</title></head><body>\n";
    for (qsizetype i = 0; i < tags; ++i) {
        const QByteArray n = QByteArray::number(i);
        switch (i % 10) {
        case 0:
            page += "<a href=\"item" + n + ".html\">";
            break;
        case 1:
            page += "<a href=\"../nav/menu" + QByteArray::number(i % 20) + ".htm\">";
            break;
        case 2:
            page += "<img src=\"images/pic" + n + ".jpg\" width=\"120\" height=\"90\">";
            break;
        case 3:
            page += "<a href=\"http://other.example/ext" + n + ".html\" target=\"_top\">";
            break;
        case 4:
            page += "<td class=\"cell\" style=\"width:50%\">";
            break;
        case 5:
            page += "</td>";
            break;
        case 6:
            page += "<span class=\"note\">";
            break;
        case 7:
            page += "</span>";
            break;
        case 8:
            page += "</a>";
            break;
        default:
            page += "<br>";
            break;
        }
        const qsizetype target = (i + 1) * bytes / tags;
        while (page.size() < target)
            page += QByteArrayView(filler).first(std::min<qsizetype>(80, target - page.size()));
    }
    page += "</body></html>\n";
    return page;
}

// Reads and writes a buffer larger than the caches, so that every timed run
// starts with the page and the lists out of cache, as after a download;
// otherwise a small page would be timed from the fast caches and a large
// one from memory, and the comparison would measure the caches.
void evictCaches()
{
    static std::vector<char> buffer(64 * 1024 * 1024);
    for (size_t i = 0; i < buffer.size(); i += 64)
        buffer[i] = char(buffer[i] + 1);
}

double extractMs(const QByteArray &page, int runs, qsizetype *links = nullptr,
                 const ExtraSettings &extra = {})
{
    const CrawlPage from{1, "bench.example", "http://bench.example/dir/index.html"};
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        LinkExtractor extractor;
        evictCaches();
        best = std::min(best, millisecondsOf([&] {
                            extractor.ExtractLinks(from, page, ImageTypes{true, true, true}, extra);
                        }));
        if (links)
            *links = extractor.urlList()->size() + extractor.imageList()->size();
    }
    return best;
}

double countMs(const QByteArray &page, int runs, qsizetype *sink)
{
    return bestOf(runs, [&] { *sink += std::count(page.begin(), page.end(), '<'); });
}

constexpr int MemoryLines = 1000000;

// 60 bytes, as a photo site's links read: a few directories, every name new.
QByteArray memoryURL(int i)
{
    QByteArray url = "http://photos.example.jp/album" + QByteArray::number(i % 97) + "/img_" +
                     QByteArray::number(i) + "_";
    url.append(QByteArray(60 - 5 - url.size(), 'x'));
    url.append(i % 2 ? ".jpeg" : ".html");
    return url;
}

qint64 residentBytes()
{
    malloc_trim(0);
    return ProcessMemory::residentKb() * 1024;
}

// The floor for comparison: the lines' formatted text back to back in one
// block, and 16 bytes a row (where its line starts, how long it is).
struct PackedLines
{
    struct Row
    {
        qint64 offset;
        qint64 size;
    };
    std::vector<char> block;
    std::vector<Row> rows;
};

int formatLine(char (&line)[128], int i)
{
    return std::snprintf(line, sizeof line, "%4.4d  %-8s %s", i, "----", memoryURL(i).constData());
}

void fillPacked(PackedLines &packed)
{
    char line[128];
    size_t total = 0;
    for (int i = 0; i < MemoryLines; ++i)
        total += size_t(formatLine(line, i));
    packed.block.resize(total);
    packed.rows.resize(size_t(MemoryLines));
    qint64 at = 0;
    for (int i = 0; i < MemoryLines; ++i) {
        const int n = formatLine(line, i);
        std::copy(line, line + n, packed.block.data() + at);
        packed.rows[size_t(i)] = PackedLines::Row{at, n};
        at += n;
    }
}

// One side of the memory figure, run in a child process of its own so that
// memory the parent freed does not flatter either side.
int measureMemory(const QByteArray &which)
{
    const qint64 before = residentBytes();
    qint64 after = 0;
    qsizetype held = 0;
    if (which == "list") {
        LinkExtractor extractor;
        for (int i = 0; i < MemoryLines; ++i)
            extractor.AddEntry(*extractor.urlList(), memoryURL(i));
        after = residentBytes();
        held = extractor.urlList()->size();
    } else {
        PackedLines packed;
        fillPacked(packed);
        after = residentBytes();
        held = qsizetype(packed.rows.size());
    }
    if (held != MemoryLines)
        return 1;
    std::printf("%.1f\n", double(after - before) / MemoryLines);
    return 0;
}

double childBytesPerLine(const char *which)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--memory"), QString::fromLatin1(which)});
    child.waitForFinished(-1);
    return child.readAllStandardOutput().trimmed().toDouble();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--memory")
        return measureMemory(argv[2]);

    qsizetype sink = 0;

    const QByteArray page10 = makePage(10 * 1000 * 1000);
    qsizetype links = 0;
    const double extract10 = extractMs(page10, 5, &links);
    const double scan10 = countMs(page10, 20, &sink);
    std::printf("# 10 MB page: %lld bytes, %lld tags, %lld list lines\n",
                static_cast<long long>(page10.size()),
                static_cast<long long>(std::count(page10.begin(), page10.end(), '<')),
                static_cast<long long>(links));
    printBench("extract_vs_scan", extract10, "ms", scan10, "ratio<=20");

    // The same page with every way of finding pictures of 拡張設定 on: each
    // tag's attributes read whole, style attributes read as CSS. Taking
    // turns with plain runs lets a busy spell fall on both alike.
    ExtraSettings extras;
    extras.queryType = extras.contentType = extras.srcset = extras.cssImage = extras.metaImage =
        true;
    double plain10 = std::numeric_limits<double>::max();
    double extended10 = plain10;
    for (int round = 0; round < 5; ++round) {
        plain10 = std::min(plain10, extractMs(page10, 1));
        qsizetype extraLinks = 0;
        extended10 = std::min(extended10, extractMs(page10, 1, &extraLinks, extras));
        if (extraLinks != links) {
            std::fprintf(stderr, "extras changed the lines of a plain page: %lld, not %lld\n",
                         static_cast<long long>(extraLinks), static_cast<long long>(links));
            return 1;
        }
    }
    printBench("extract_extras_vs_plain", extended10, "ms", plain10, "ratio<=3");

    // Rounds that take turns between the sizes, so that a busy spell on the
    // machine falls on all of them alike; the best time of each size counts.
    const QByteArray page1 = makePage(1000 * 1000);
    const QByteArray page4 = makePage(4 * 1000 * 1000);
    const QByteArray page16 = makePage(16 * 1000 * 1000);
    double extract1 = std::numeric_limits<double>::max();
    double extract4 = extract1;
    double extract16 = extract1;
    // The same number of runs for every size: the best of many short runs
    // would favour the small page.
    for (int round = 0; round < 8; ++round) {
        extract1 = std::min(extract1, extractMs(page1, 1));
        extract4 = std::min(extract4, extractMs(page4, 1));
        extract16 = std::min(extract16, extractMs(page16, 1));
    }
    printBench("extract_scaling_4_1", extract4, "ms", extract1, "ratio<=5");
    printBench("extract_scaling_16_1", extract16, "ms", extract1, "ratio<=20");

    QList<QByteArray> urls;
    urls.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        urls.append("http://bench.example/dir" + QByteArray::number(i % 97) + "/page" +
                    QByteArray::number(i) + ".html");
    const double dedupe = bestOf(3, [&] {
        LinkExtractor extractor;
        LinkList &list = *extractor.urlList();
        for (const QByteArray &url : urls)
            extractor.AddEntry(list, url);
        for (const QByteArray &url : urls)
            extractor.AddEntry(list, url);
        sink += list.size();
    });
    const double hashOnly = bestOf(3, [&] {
        QSet<QByteArray> set;
        for (const QByteArray &url : urls)
            set.insert(url);
        for (const QByteArray &url : urls)
            set.insert(url);
        sink += set.size();
    });
    printBench("dedupe_200k_ms", dedupe, "ms", hashOnly, "value<1000");

    printBench("linklist_bytes_per_line", childBytesPerLine("list"), "bytes",
               childBytesPerLine("packed"), "info");

    return sink == 0 ? 1 : 0;
}
