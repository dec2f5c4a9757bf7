#include "picturefiles.h"
#include "settings/directorylisting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestDirectoryListing : public QObject
{
    Q_OBJECT
private slots:
    void maskMatching_data();
    void maskMatching();
    void cleanPaths_data();
    void cleanPaths();
    void levelsFromRoot();
    void namesSortWithoutCase();
    void readSortsAndClassifies();
    void readReportsUnreadableDirectory();
    void readStopsWhenCancelled();
};

void TestDirectoryListing::maskMatching_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    const QString images = QStringLiteral("*.jpg;*.gif;*.bmp");
    QTest::newRow("jpg") << images << QStringLiteral("a.jpg") << true;
    QTest::newRow("upper case") << images << QStringLiteral("B.GIF") << true;
    QTest::newRow("second pattern") << images << QStringLiteral("c.bmp") << true;
    QTest::newRow("other type") << images << QStringLiteral("d.png") << false;
    QTest::newRow("jpeg is not jpg") << images << QStringLiteral("e.jpeg") << false;
    QTest::newRow("suffix inside name") << images << QStringLiteral("f.jpg.txt") << false;
    QTest::newRow("all with dot") << QStringLiteral("*.*") << QStringLiteral("README") << true;
    QTest::newRow("all") << QStringLiteral("*") << QStringLiteral("x.y") << true;
    QTest::newRow("question mark") << QStringLiteral("a?.jpg") << QStringLiteral("ab.jpg") << true;
    QTest::newRow("question mark, too long")
        << QStringLiteral("a?.jpg") << QStringLiteral("abc.jpg") << false;
    QTest::newRow("prefix pattern")
        << QStringLiteral("img*") << QStringLiteral("IMG_01.jpg") << true;
    QTest::newRow("empty mask") << QString() << QStringLiteral("a.jpg") << false;
    QTest::newRow("japanese name") << images << QStringLiteral("写真.JPG") << true;
}

void TestDirectoryListing::maskMatching()
{
    QFETCH(QString, mask);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(FileMask(mask).matches(name), matches);
    NameList list;
    list.append(QFile::encodeName(name).constData());
    QCOMPARE(list.filtered(FileMask(mask)).size(), matches ? 1 : 0);
}

void TestDirectoryListing::cleanPaths_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("clean");
    QTest::newRow("root") << QByteArray("/") << QByteArray("/");
    QTest::newRow("trailing separator") << QByteArray("/usr/") << QByteArray("/usr");
    QTest::newRow("doubled separators") << QByteArray("//usr//lib") << QByteArray("/usr/lib");
    QTest::newRow("dot parts") << QByteArray("/usr/./lib/../share") << QByteArray("/usr/share");
    QTest::newRow("above the root") << QByteArray("/../..") << QByteArray("/");
    QTest::newRow("not UTF-8") << QByteArray("/tmp/\xff\xfe/") << QByteArray("/tmp/\xff\xfe");
}

void TestDirectoryListing::cleanPaths()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, clean);
    QCOMPARE(cleanDirectoryPath(path), clean);
}

void TestDirectoryListing::levelsFromRoot()
{
    QCOMPARE(pathLevels("/"), QList<QByteArray>{"/"});
    QCOMPARE(pathLevels("/a/bc"), (QList<QByteArray>{"/", "/a", "/a/bc"}));
    QCOMPARE(lastPathPart("/a/bc"), QByteArray("bc"));
    QCOMPARE(lastPathPart("/"), QByteArray("/"));
    QCOMPARE(joinPath("/", "a"), QByteArray("/a"));
    QCOMPARE(joinPath("/a", "b"), QByteArray("/a/b"));
    // A relative path is taken from the working directory.
    QCOMPARE(cleanDirectoryPath("x"),
             QFile::encodeName(QDir::currentPath() + QStringLiteral("/x")));
}

void TestDirectoryListing::namesSortWithoutCase()
{
    NameList names;
    for (const char *name : {"b", "写真", "A", "a", "C", "_x", "9", "10"})
        names.append(name);
    names.sortCaseless();
    QCOMPARE(names.displayNames(),
             (QStringList{QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("_x"),
                          QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("b"),
                          QStringLiteral("C"), QStringLiteral("写真")}));
}

void TestDirectoryListing::readSortsAndClassifies()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    for (const char *name : {"b.jpg", "A.jpg", "c.txt", ".hidden.jpg"})
        QFile(dir.filePath(QLatin1String(name))).open(QIODevice::WriteOnly);
    for (const char *name : {"zeta", "Alpha", ".git"})
        dir.mkdir(QLatin1String(name));
    // A link to a directory lists as a directory, a dangling link as a file.
    QVERIFY(symlink(QFile::encodeName(dir.filePath(QStringLiteral("zeta"))).constData(),
                    QFile::encodeName(dir.filePath(QStringLiteral("link"))).constData()) == 0);
    QVERIFY(symlink("/nonexistent/target",
                    QFile::encodeName(dir.filePath(QStringLiteral("dangling"))).constData()) == 0);
    // A name that is not valid UTF-8 is still listed.
    QVERIFY(PictureFiles::writeNative(QFile::encodeName(tmp.path()) + "/\xff\xfe.jpg"));

    const DirectoryListing listing = readDirectory(QFile::encodeName(tmp.path()));
    QCOMPARE(listing.error, 0);
    QCOMPARE(
        listing.directories.displayNames(),
        (QStringList{QStringLiteral("Alpha"), QStringLiteral("link"), QStringLiteral("zeta")}));
    QCOMPARE(listing.files.size(), 5);
    QCOMPARE(QByteArray(listing.files.at(4)), QByteArray("\xff\xfe.jpg"));
    QCOMPARE(listing.files.displayNames().mid(0, 4),
             (QStringList{QStringLiteral("A.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.txt"),
                          QStringLiteral("dangling")}));
}

void TestDirectoryListing::readReportsUnreadableDirectory()
{
    const DirectoryListing listing = readDirectory("/nonexistent/directory");
    QCOMPARE(listing.error, ENOENT);
    QVERIFY(listing.files.isEmpty());
    QVERIFY(listing.directories.isEmpty());
}

void TestDirectoryListing::readStopsWhenCancelled()
{
    QTemporaryDir tmp;
    const QByteArray base = QFile::encodeName(tmp.path()) + '/';
    for (int i = 0; i < 4500; ++i)
        PictureFiles::writeNative(base + QByteArray::number(i));
    const DirectoryListing listing =
        readDirectory(QFile::encodeName(tmp.path()), [] { return true; });
    QVERIFY(listing.files.size() < 4500);
}

QTEST_APPLESS_MAIN(TestDirectoryListing)
#include "test_directorylisting.moc"
