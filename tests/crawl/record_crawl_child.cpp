// A crawl with the record on, for test_crawlrecord to kill: arguments are
// the start address and the save directory. It prints the address of each
// picture whose line is done, once the picture is recorded.
#include "crawl/crawlengine.h"
#include "crawl/crawlreporter.h"
#include "record/picturerecord.h"

#include <QCoreApplication>

#include <cstdio>

namespace {
struct DoneLines : CrawlReporter
{
    void statusText(int, const QString &) override {}
    void slotStatusText(int, const QString &) override {}
    void LogError(const QString &) override {}
    // An image line is logged as it reads once marked: "0001  終了     URL".
    void LogNormal(const QString &line) override
    {
        if (line.contains(QStringLiteral("  終了 "))) {
            std::printf("%s\n", qPrintable(line.section(QLatin1Char(' '), -1)));
            std::fflush(stdout);
        }
    }
};
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    DoneLines reporter;
    PictureRecord record;
    CrawlEngine engine(&reporter);
    SearchConditions conditions;
    conditions.saveDirectory = args.at(2);
    conditions.checkSize = false;
    conditions.speed = 6;
    conditions.maxImage = NumberText::from(QStringLiteral("1000"));
    conditions.extra.record = true;
    engine.setConditions(conditions);
    engine.setRecord(&record);
    engine.setTickInterval(20);
    QObject::connect(&engine, &CrawlEngine::runFinished, &app, &QCoreApplication::quit);
    engine.PrepareRun();
    engine.StartCrawl(args.at(1));
    return app.exec();
}
