// The directory walk engine, the result line format and the list model, on
// real trees made by each test.
#include "disksearch/directorywalk.h"
#include "disksearch/disksearch.h"
#include "disksearch/resultlistmodel.h"
#include "treebuilder.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>

namespace {

struct WalkOutput
{
    QList<QByteArray> lines;
    QList<QByteArray> paths;
    QList<std::pair<QByteArray, int>> errors;
    int found = 0;
    int listed = 0;
    bool stopped = false;
};

WalkOutput walk(const QByteArray &searchRoot, const ExtensionFilters &filters,
                const std::function<bool()> &stopCheck = {},
                const std::function<void(const WalkOutput &)> &afterBatch = {})
{
    WalkOutput out;
    DirectoryWalk w(searchRoot, filters);
    w.setBatchLimits(1, std::chrono::milliseconds(0));
    w.setBatchHandler([&](ResultBatch &batch) {
        for (qsizetype i = 0; i < batch.count(); ++i) {
            out.lines.append(batch.line(i).toByteArray());
            out.paths.append(ResultEntry::fileName(batch.line(i)));
        }
        if (afterBatch)
            afterBatch(out);
    });
    w.setErrorHandler([&](const QByteArray &path, int error) { out.errors.append({path, error}); });
    if (stopCheck)
        w.setStopCheck(stopCheck);
    w.run();
    out.found = w.FoundCount();
    out.listed = w.ListedCount();
    out.stopped = w.stopped();
    return out;
}

const ExtensionFilters JpegOnly = extensionFilters(true, false, false);

// What the walk should meet, in order: subdirectories it enters and .jpg
// files, following the system's own enumeration order of each directory.
struct Step
{
    bool directory;
    QByteArray path;
};

void expectedSteps(const QByteArray &directory, QList<Step> &steps)
{
    for (const QByteArray &name : TreeBuilder::enumerate(directory)) {
        struct stat st;
        const QByteArray path = directory + name;
        if (::lstat(path.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            if (name.startsWith('.'))
                continue;
            steps.append({true, path});
            expectedSteps(path + '/', steps);
        } else if (name.toLower().endsWith(".jpg")) {
            steps.append({false, path});
        }
    }
}

QList<QByteArray> filesOf(const QList<Step> &steps)
{
    QList<QByteArray> files;
    for (const Step &s : steps) {
        if (!s.directory)
            files.append(s.path);
    }
    return files;
}

} // namespace

class TestDirectoryWalk : public QObject
{
    Q_OBJECT

private slots:
    void entryLayout_data();
    void entryLayout();
    void ioErrorText_data();
    void ioErrorText();
    void searchRoot_data();
    void searchRoot();
    void filtersAndCase_data();
    void filtersAndCase();
    void hiddenDirectoriesAndDotNames();
    void doubledSeparator();
    void depthFirstOrder();
    void stopAtNextSubdirectory();
    void stopInFlatDirectoryRunsToEnd();
    void unreadableFileInTheMiddle();
    void unreadableDirectoryPassedOver();
    void symlinkLoopAndLinkedDirectories();
    void nonUtf8NameKeptAsBytes();
    void missingRootGivesNothing();
    void modelRemovesRowsInOnePass_data();
    void modelRemovesRowsInOnePass();
    void asyncSearchDeliversWalkOrder();
    void asyncCancelDropsOldWalk();
};

void TestDirectoryWalk::entryLayout_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QByteArray>("sizeField");
    QTest::addColumn<int>("pathColumn");
    QTest::newRow("12345 bytes") << qint64(12345) << QByteArray("   12345") << 18;
    QTest::newRow("empty") << qint64(0) << QByteArray("       0") << 18;
    QTest::newRow("8 digits") << qint64(99999999) << QByteArray("99999999") << 18;
    // Sizes are minimum widths: nine digits move the path one to the right.
    QTest::newRow("9 digits") << qint64(100000000) << QByteArray("100000000") << 19;
    // Over 2 GiB the size stays positive.
    QTest::newRow("3 GB") << qint64(3000000000) << QByteArray("3000000000") << 20;
}

void TestDirectoryWalk::entryLayout()
{
    QFETCH(qint64, size);
    QFETCH(QByteArray, sizeField);
    QFETCH(int, pathColumn);
    const time_t when = 891302400 + 12 * 3600; // 1998-03-31, midday
    const QByteArray path = "/pictures/a.jpg";
    const QByteArray line = ResultEntry::format(when, size, path);
    const QByteArray date =
        QDateTime::fromSecsSinceEpoch(when).toString(QStringLiteral("yy/MM/dd")).toLatin1();
    QCOMPARE(line, date + ' ' + sizeField + ' ' + path);
    QCOMPARE(line.mid(pathColumn), path);
    if (pathColumn == 18)
        QCOMPARE(ResultEntry::fileName(line), path);
}

void TestDirectoryWalk::ioErrorText_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("ENOENT") << ENOENT << QStringLiteral("ﾌｧｲﾙが見つかりません");
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << QStringLiteral("不正なﾌｧｲﾙ名です");
    QTest::newRow("EMFILE") << EMFILE << QStringLiteral("ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます");
    QTest::newRow("ENFILE") << ENFILE << QStringLiteral("ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます");
    QTest::newRow("EACCES") << EACCES << QStringLiteral("ﾌｧｲﾙへのｱｸｾｽが拒否されました");
    QTest::newRow("EPERM") << EPERM << QStringLiteral("ﾌｧｲﾙへのｱｸｾｽが拒否されました");
    QTest::newRow("EIO") << EIO << QStringLiteral("I/O ｴﾗｰ (%1)").arg(EIO);
}

void TestDirectoryWalk::ioErrorText()
{
    QFETCH(int, error);
    QFETCH(QString, text);
    QCOMPARE(IoErrorText(error), text);
}

void TestDirectoryWalk::searchRoot_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("root");
    QTest::newRow("file-system root") << QStringLiteral("/") << QByteArray("/");
    QTest::newRow("directory") << QStringLiteral("/pictures") << QByteArray("/pictures/");
    QTest::newRow("separator given") << QStringLiteral("/pictures/") << QByteArray("/pictures//");
    QTest::newRow("short name") << QStringLiteral("a") << QByteArray("a/");
    QTest::newRow("Japanese") << QStringLiteral("/画像")
                              << QByteArray("/\xe7\x94\xbb\xe5\x83\x8f/");
}

void TestDirectoryWalk::searchRoot()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, root);
    QCOMPARE(searchRootFor(text), root);
}

void TestDirectoryWalk::filtersAndCase_data()
{
    QTest::addColumn<bool>("jpeg");
    QTest::addColumn<bool>("gif");
    QTest::addColumn<bool>("bmp");
    QTest::addColumn<QList<QByteArray>>("listed");
    QTest::newRow("JPEG only") << true << false << false
                               << QList<QByteArray>{"A.JPG", "b.Jpg", "c.jpg", ".jpg"};
    QTest::newRow("GIF and BMP") << false << true << true
                                 << QList<QByteArray>{"e.gif", "h.BMP", "k.bMp"};
    QTest::newRow("none") << false << false << false << QList<QByteArray>{};
    QTest::newRow("all") << true << true << true
                         << QList<QByteArray>{"A.JPG", "b.Jpg", "c.jpg", ".jpg",
                                              "e.gif", "h.BMP", "k.bMp"};
}

void TestDirectoryWalk::filtersAndCase()
{
    QFETCH(bool, jpeg);
    QFETCH(bool, gif);
    QFETCH(bool, bmp);
    QFETCH(QList<QByteArray>, listed);
    TreeBuilder tree;
    for (const char *name : {"A.JPG", "b.Jpg", "c.jpg", "d.jpeg", "e.gif", "f", "g.gif~", "h.BMP",
                             "i.jpe", "j.jpg.txt", "k.bMp", ".jpg", "l.JPG "})
        tree.file(name);
    const WalkOutput out = walk(tree.root() + '/', extensionFilters(jpeg, gif, bmp));
    QList<QByteArray> names;
    for (const QByteArray &path : out.paths)
        names.append(path.mid(tree.root().size() + 1));
    std::sort(names.begin(), names.end());
    std::sort(listed.begin(), listed.end());
    QCOMPARE(names, listed);
    QCOMPARE(out.found, int(listed.size()));
    QCOMPARE(out.listed, int(listed.size()));
}

void TestDirectoryWalk::hiddenDirectoriesAndDotNames()
{
    TreeBuilder tree;
    tree.file(".hidden/x.jpg");
    tree.file(".hidden/deeper/y.jpg");
    tree.file("visible/.z.jpg"); // a hidden file is listed; only directories are skipped
    tree.file("visible/folder.jpg/inside.jpg"); // a directory named like a picture is entered
    tree.file(".jpg");
    const WalkOutput out = walk(tree.root() + '/', JpegOnly);
    QList<QByteArray> names;
    for (const QByteArray &path : out.paths)
        names.append(path.mid(tree.root().size() + 1));
    std::sort(names.begin(), names.end());
    QCOMPARE(names, (QList<QByteArray>{".jpg", "visible/.z.jpg", "visible/folder.jpg/inside.jpg"}));
}

void TestDirectoryWalk::doubledSeparator()
{
    TreeBuilder tree;
    tree.file("sub/a.jpg");
    // A target typed with its separator keeps it, and the root adds another.
    const WalkOutput out = walk(searchRootFor(tree.rootText() + QLatin1Char('/')), JpegOnly);
    QCOMPARE(out.paths, QList<QByteArray>{tree.root() + "//sub/a.jpg"});
    QVERIFY(TreeBuilder::exists(out.paths.first()));
}

void TestDirectoryWalk::depthFirstOrder()
{
    TreeBuilder tree;
    for (const char *name :
         {"a1.jpg", "b/b1.jpg", "b/b2.jpg", "b/c/c1.jpg", "b/c/d/d1.jpg", "b/b3.jpg", "e/e1.jpg",
          "a2.jpg", "f/g/h/i/j.jpg", "f/f1.jpg", "k/l.jpg", "k/m/n.jpg", "z.jpg"})
        tree.file(name, 10);
    QList<Step> steps;
    expectedSteps(tree.root() + '/', steps);
    const WalkOutput out = walk(tree.root() + '/', JpegOnly);
    QCOMPARE(out.paths, filesOf(steps));
    QCOMPARE(out.paths.size(), 13);
    QVERIFY(!out.stopped);
}

void TestDirectoryWalk::stopAtNextSubdirectory()
{
    TreeBuilder tree;
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "s1/x.jpg", "s1/y.jpg", "s1/t/u.jpg",
                             "s2/v.jpg", "s3/w.jpg", "d.jpg", "e.jpg"})
        tree.file(name);
    QList<Step> steps;
    expectedSteps(tree.root() + '/', steps);
    // The stop is given as soon as the first file is listed; everything up to
    // the next subdirectory the walk meets is still listed, nothing after.
    QList<QByteArray> expected;
    bool stopGiven = false;
    for (const Step &s : steps) {
        if (s.directory && stopGiven)
            break;
        if (!s.directory) {
            expected.append(s.path);
            stopGiven = true;
        }
    }
    bool stop = false;
    const WalkOutput out = walk(
        tree.root() + '/', JpegOnly, [&stop] { return stop; },
        [&stop](const WalkOutput &) { stop = true; });
    QCOMPARE(out.paths, expected);
    QVERIFY(out.stopped);
    QCOMPARE(out.found, int(expected.size()));
}

void TestDirectoryWalk::stopInFlatDirectoryRunsToEnd()
{
    TreeBuilder tree;
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", ".hidden/d.jpg"})
        tree.file(name);
    const WalkOutput out = walk(tree.root() + '/', JpegOnly, [] { return true; });
    QCOMPARE(out.paths.size(), 3);
    QVERIFY(!out.stopped);
}

void TestDirectoryWalk::unreadableFileInTheMiddle()
{
    TreeBuilder tree;
    tree.file("a.jpg", 1);
    tree.symlink("b.jpg", "nowhere.jpg"); // matches by name, its size cannot be read
    tree.file("c.jpg", 3);
    tree.file("sub/d.jpg", 4);
    // Names can be read but not looked up in a directory without search permission.
    tree.file("locked/e.jpg", 5);
    // Its size can be read, but the file cannot be opened.
    const QByteArray closed = tree.file("f.jpg", 6);
    ::chmod(closed.constData(), 0);
    ::chmod(QByteArray(tree.root() + "/locked").constData(), 0644);
    WalkOutput out;
    {
        PermissionsBind permissions;
        if (!permissions.binds())
            QSKIP("file permissions cannot be made to bind here (superuser without capset)");
        out = walk(tree.root() + '/', JpegOnly);
    }
    ::chmod(QByteArray(tree.root() + "/locked").constData(), 0755);

    QList<QByteArray> names;
    for (const QByteArray &path : out.paths)
        names.append(path.mid(tree.root().size() + 1));
    std::sort(names.begin(), names.end());
    QCOMPARE(names, (QList<QByteArray>{"a.jpg", "c.jpg", "sub/d.jpg"}));
    QList<std::pair<QByteArray, int>> expectedErrors{{tree.root() + "/b.jpg", ENOENT},
                                                     {tree.root() + "/f.jpg", EACCES},
                                                     {tree.root() + "/locked/e.jpg", EACCES}};
    auto errors = out.errors;
    std::sort(errors.begin(), errors.end());
    QCOMPARE(errors, expectedErrors);
    // The counts are those of the lines listed; the errors are reported apart.
    QCOMPARE(out.listed, 3);
    QCOMPARE(out.found, 3);
    QVERIFY(!out.stopped);
}

void TestDirectoryWalk::unreadableDirectoryPassedOver()
{
    TreeBuilder tree;
    tree.file("a.jpg");
    tree.file("closed/b.jpg");
    tree.file("open/c.jpg");
    ::chmod(QByteArray(tree.root() + "/closed").constData(), 0);
    WalkOutput out;
    {
        PermissionsBind permissions;
        if (!permissions.binds())
            QSKIP("file permissions cannot be made to bind here (superuser without capset)");
        out = walk(tree.root() + '/', JpegOnly);
    }
    ::chmod(QByteArray(tree.root() + "/closed").constData(), 0755);
    QCOMPARE(out.paths.size(), 2);
    QVERIFY(out.errors.isEmpty());
}

void TestDirectoryWalk::symlinkLoopAndLinkedDirectories()
{
    TreeBuilder tree;
    tree.file("a/p.jpg", 7);
    tree.symlink("a/loop", "..");
    tree.symlink("a/self", ".");
    tree.symlink("link", "a");
    tree.symlink("linked.jpg", "a");    // a link to a directory, named like a picture
    tree.symlink("pic.jpg", "a/p.jpg"); // a link to a file is listed with the file's size
    const WalkOutput out = walk(tree.root() + '/', JpegOnly);
    QList<QByteArray> names;
    for (const QByteArray &path : out.paths)
        names.append(path.mid(tree.root().size() + 1));
    std::sort(names.begin(), names.end());
    QCOMPARE(names, (QList<QByteArray>{"a/p.jpg", "pic.jpg"}));
    for (const QByteArray &line : out.lines)
        QCOMPARE(line.mid(9, 8), QByteArray("       7"));
    QVERIFY(out.errors.isEmpty());
}

void TestDirectoryWalk::nonUtf8NameKeptAsBytes()
{
    TreeBuilder tree;
    const QByteArray name = "\xff\xfe\x80.jpg";
    const QByteArray path = tree.file(name, 5);
    const WalkOutput out = walk(tree.root() + '/', JpegOnly);
    QCOMPARE(out.paths, QList<QByteArray>{path});
    QVERIFY(TreeBuilder::exists(out.paths.first()));
}

void TestDirectoryWalk::missingRootGivesNothing()
{
    TreeBuilder tree;
    const WalkOutput out = walk(tree.root() + "/missing/", JpegOnly);
    QVERIFY(out.lines.isEmpty());
    QVERIFY(out.errors.isEmpty());
    QCOMPARE(out.found, 0);
}

void TestDirectoryWalk::modelRemovesRowsInOnePass_data()
{
    QTest::addColumn<QList<int>>("remove");
    QTest::addColumn<QList<int>>("kept");
    QTest::newRow("2 and 4 of 5") << QList<int>{1, 3} << QList<int>{0, 2, 4};
    QTest::newRow("first") << QList<int>{0} << QList<int>{1, 2, 3, 4};
    QTest::newRow("last") << QList<int>{4} << QList<int>{0, 1, 2, 3};
    QTest::newRow("run") << QList<int>{1, 2, 3} << QList<int>{0, 4};
    QTest::newRow("all") << QList<int>{0, 1, 2, 3, 4} << QList<int>{};
}

void TestDirectoryWalk::modelRemovesRowsInOnePass()
{
    QFETCH(QList<int>, remove);
    QFETCH(QList<int>, kept);
    ResultListModel model;
    QList<QByteArray> lines;
    for (int i = 0; i < 5; ++i) {
        // Lines of different lengths, one with a name that is not UTF-8.
        const QByteArray path =
            "/d/" + QByteArray(i + 1, char('a' + i)) + (i == 2 ? "\xff" : "") + ".jpg";
        lines.append(ResultEntry::format(0, i, path));
        model.appendLine(lines.last());
    }
    model.removeSortedRows(std::vector<int>(remove.begin(), remove.end()));
    QCOMPARE(model.rowCount(), int(kept.size()));
    for (int i = 0; i < kept.size(); ++i) {
        QCOMPARE(model.line(i).toByteArray(), lines[kept[i]]);
        QCOMPARE(model.fileName(i), lines[kept[i]].mid(18));
    }
}

void TestDirectoryWalk::asyncSearchDeliversWalkOrder()
{
    TreeBuilder tree;
    for (int d = 0; d < 40; ++d) {
        for (int f = 0; f < 30; ++f)
            tree.file(QByteArray("d") + QByteArray::number(d) + "/e/f" + QByteArray::number(f) +
                      ".jpg");
    }
    const WalkOutput reference = walk(tree.root() + '/', JpegOnly);

    DiskSearch search;
    QList<QByteArray> delivered;
    int batches = 0;
    connect(&search, &DiskSearch::entriesFound, this, [&](const ResultBatch &batch) {
        ++batches;
        for (qsizetype i = 0; i < batch.count(); ++i)
            delivered.append(batch.line(i).toByteArray());
    });
    QSignalSpy finished(&search, &DiskSearch::finished);
    search.start(tree.root() + '/', JpegOnly);
    QVERIFY(finished.wait(10000));
    // The worker is joined when the search ends; what it left queued is
    // handled here.
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(delivered, reference.lines);
    QVERIFY(batches >= 1);
    QCOMPARE(search.FoundCount(), 1200);
    QCOMPARE(search.ListedCount(), 1200);
    QVERIFY(!search.isRunning());
}

void TestDirectoryWalk::asyncCancelDropsOldWalk()
{
    TreeBuilder first;
    TreeBuilder second;
    for (int d = 0; d < 200; ++d)
        first.file(QByteArray("d") + QByteArray::number(d) + "/old.jpg");
    second.file("new.jpg");

    DiskSearch search;
    QList<QByteArray> delivered;
    connect(&search, &DiskSearch::entriesFound, this, [&](const ResultBatch &batch) {
        for (qsizetype i = 0; i < batch.count(); ++i)
            delivered.append(ResultEntry::fileName(batch.line(i)));
    });
    QSignalSpy finished(&search, &DiskSearch::finished);
    search.start(first.root() + '/', JpegOnly);
    // A new search ends the old one first: nothing of the old one arrives.
    search.start(second.root() + '/', JpegOnly);
    QVERIFY(finished.wait(10000));
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(delivered, QList<QByteArray>{second.root() + "/new.jpg"});
}

QTEST_GUILESS_MAIN(TestDirectoryWalk)
#include "test_directorywalk.moc"
