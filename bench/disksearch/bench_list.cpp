// The result list at a million entries of 60-character paths: resident
// memory per entry (everything included), select all, and deleting 100,000
// selected entries in one pass. The reference is the plain Qt way: a
// QStringListModel of UTF-16 lines in a QListView.
#include "benchreport.h"

#include "disksearch/resultentry.h"
#include "disksearch/resultlistmodel.h"
#include "disksearch/resultlistpane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QListView>
#include <QProcess>
#include <QStringListModel>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace {

constexpr int Entries = 1000000;
constexpr int Deleted = 100000;

QByteArray pathOf(const QByteArray &directory, int i)
{
    // 60 characters in all, whatever the directory's length.
    QByteArray path = directory + "/img_" + QByteArray::number(i) + "_";
    path.append(QByteArray(60 - 4 - path.size(), 'x'));
    path.append(".jpg");
    return path;
}

qint64 residentBytes()
{
    malloc_trim(0);
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return qint64(resident) * ::sysconf(_SC_PAGESIZE);
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// Fills our pane as the search does: batches of result lines.
void fillPane(ResultListPane &pane, const QByteArray &directory)
{
    ResultBatch batch;
    for (int i = 0; i < Entries; ++i) {
        ResultEntry::append(batch.bytes, 1700000000, 12345, pathOf(directory, i));
        batch.ends.push_back(batch.bytes.size());
        if (batch.count() == 4096 || i == Entries - 1) {
            pane.appendEntries(batch);
            batch.clear();
        }
    }
}

QStringList referenceLines(const QByteArray &directory)
{
    QStringList lines;
    lines.reserve(Entries);
    for (int i = 0; i < Entries; ++i)
        lines.append(
            QString::fromUtf8(ResultEntry::format(1700000000, 12345, pathOf(directory, i))));
    return lines;
}

// Measured in a child process of its own, so that one side's freed memory
// does not flatter the other.
int measureMemory(const QString &which)
{
    const qint64 before = residentBytes();
    if (which == QStringLiteral("ours")) {
        auto *pane = new ResultListPane;
        pane->resize(600, 400);
        pane->show();
        fillPane(*pane, "/pictures/holiday");
        settle();
        pane->selectAll();
        settle();
    } else {
        auto *view = new QListView;
        view->setUniformItemSizes(true);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        auto *model = new QStringListModel(referenceLines("/pictures/holiday"), view);
        view->setModel(model);
        view->resize(600, 400);
        view->show();
        settle();
        view->selectAll();
        settle();
    }
    std::printf("%.1f\n", double(residentBytes() - before) / Entries);
    return 0;
}

double childBytesPerEntry(const QString &which)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory"), which});
    child.waitForFinished(-1);
    return child.readAllStandardOutput().trimmed().toDouble();
}

template <typename F> double timeMs(F &&f)
{
    QElapsedTimer clock;
    clock.start();
    f();
    return clock.nsecsElapsed() / 1e6;
}

QItemSelection everyTenth(QAbstractItemModel *model)
{
    QItemSelection selection;
    for (int row = 5; row < Entries; row += Entries / Deleted)
        selection.append(QItemSelectionRange(model->index(row, 0)));
    return selection;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--memory")
        return measureMemory(QString::fromLatin1(argv[2]));

    printBench("list_bytes_per_entry", childBytesPerEntry(QStringLiteral("ours")), "bytes",
               childBytesPerEntry(QStringLiteral("reference")), "<=160");

    // The entries name files in a temporary directory that are not there, so
    // the deletion touches nothing real. The files go on a worker thread; the
    // figure is the window's share: the list's work.
    QTemporaryDir dir;
    const QByteArray directory = QFile::encodeName(dir.path());

    ResultListPane pane;
    pane.resize(600, 400);
    pane.show();
    fillPane(pane, directory);
    settle();

    QListView refView;
    refView.setUniformItemSizes(true);
    refView.setSelectionMode(QAbstractItemView::ExtendedSelection);
    QStringListModel refModel(referenceLines(directory));
    refView.setModel(&refModel);
    refView.resize(600, 400);
    refView.show();
    settle();

    const double ours = timeMs([&] {
        pane.selectAll();
        settle();
    });
    const double ref = timeMs([&] {
        refView.selectAll();
        settle();
    });
    printBench("list_select_all_ms", ours, "ms", ref, "<100");

    // As many ctrl-clicks would leave it: 100,000 single-row ranges.
    pane.listView()->clearSelection();
    settle();
    QElapsedTimer setup;
    setup.start();
    pane.listView()->selectionModel()->select(everyTenth(pane.model()),
                                              QItemSelectionModel::Select);
    settle();
    std::fprintf(stderr, "selecting 100,000 rows took %.0f ms\n", setup.nsecsElapsed() / 1e6);
    const double deleteMs = timeMs([&] {
        pane.DeleteSelectedFiles();
        settle();
    });
    if (pane.count() != Entries - Deleted)
        std::fprintf(stderr, "delete left %d entries\n", pane.count());
    // Reference: the same rows taken out of a plain string list in one pass.
    QStringList lines = refModel.stringList();
    const double refDelete = timeMs([&] {
        int row = 0;
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [&row](const QString &) {
                                       const int r = row++;
                                       return r % (Entries / Deleted) == 5;
                                   }),
                    lines.end());
    });
    printBench("list_delete_100k_ms", deleteMs, "ms", refDelete, "<1000");
    return 0;
}
