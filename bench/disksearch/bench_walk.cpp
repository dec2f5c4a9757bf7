// The disk search against find(1) on a generated tree: the walk engine alone
// (start to last result line), and the whole search through the main window
// (command to report, every entry listed).
#include "benchreport.h"

#include "benchtree.h"
#include "disksearch/disksearch.h"
#include "disksearch/resultlistpane.h"
#include "shell/appwindows.h"
#include "shell/statusbar.h"
#include "shell/tformmain.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double findMs(const QString &root)
{
    QProcess find;
    find.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    find.start(QStringLiteral("find"), {root, QStringLiteral("-iname"), QStringLiteral("*.jpg"),
                                        QStringLiteral("-printf"), QStringLiteral("%TY %s %p\\n")});
    find.waitForFinished(-1);
    return clock.nsecsElapsed() / 1e6;
}

double walkMs(const QByteArray &root, int *lines)
{
    DiskSearch search;
    std::vector<ResultBatch> kept;
    int count = 0;
    QObject::connect(&search, &DiskSearch::entriesFound, &search, [&](const ResultBatch &batch) {
        count += int(batch.count());
        kept.push_back(batch);
    });
    QEventLoop loop;
    QObject::connect(&search, &DiskSearch::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    search.start(root + '/', extensionFilters(true, false, false));
    loop.exec();
    const double ms = clock.nsecsElapsed() / 1e6;
    *lines = count;
    return ms;
}

double windowSearchMs(TFormMain *main, const QString &root, int *listed)
{
    main->resultList()->erase();
    main->findChild<QComboBox *>(QStringLiteral("ComboDirectory"))->setEditText(root);
    QElapsedTimer clock;
    clock.start();
    main->findChild<QToolButton *>(QStringLiteral("BtTansaku"))->click();
    while (!main->statusBarMain()->text(0).startsWith(QStringLiteral("検索完了")) ||
           main->busyIndicator() != TFormMain::ImageIdle)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double ms = clock.nsecsElapsed() / 1e6;
    *listed = main->resultList()->count();
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path()) + "/tree";
    ::mkdir(root.constData(), 0755);
    BenchTree tree;
    tree.build(root);
    std::fprintf(stderr, "tree: %d files, %d directories, %d pictures\n", tree.files,
                 tree.directories, tree.pictures);
    const QString rootText = QFile::decodeName(root);

    // Warm the caches for both sides, then alternate the runs.
    int lines = 0;
    findMs(rootText);
    walkMs(root, &lines);
    std::vector<double> finds, walks;
    for (int i = 0; i < 5; ++i) {
        finds.push_back(findMs(rootText));
        walks.push_back(walkMs(root, &lines));
    }
    if (lines != tree.pictures)
        std::fprintf(stderr, "walk listed %d of %d pictures\n", lines, tree.pictures);
    printBench("walk_vs_find", median(walks), "ms", median(finds), "<=0.7x");

    {
        auto windows = createWindows();
        int listed = 0;
        windowSearchMs(windows->main(), rootText, &listed);
        std::vector<double> searches;
        finds.clear();
        for (int i = 0; i < 5; ++i) {
            finds.push_back(findMs(rootText));
            searches.push_back(windowSearchMs(windows->main(), rootText, &listed));
        }
        if (listed != tree.pictures)
            std::fprintf(stderr, "window listed %d of %d pictures\n", listed, tree.pictures);
        printBench("search_ui_vs_find", median(searches), "ms", median(finds), "<=1.5x");
    }
    BenchTree::remove(root);
    return 0;
}
