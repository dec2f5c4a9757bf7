#include "common/settingsstore.h"
#include "settings/tformselectdir.h"
#include "settingstestutil.h"
#include "testutils.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QString canonical(const QString &path)
{
    return QDir(path).canonicalPath();
}

// A directory with image files of each type, other files and subdirectories.
struct Tree
{
    Tree()
    {
        const QDir dir(tmp.path());
        for (const char *name : {"b.jpg", "A.GIF", "c.bmp", "d.txt", "e.jpeg"})
            QFile(dir.filePath(QLatin1String(name))).open(QIODevice::WriteOnly);
        dir.mkdir(QStringLiteral("sub"));
        dir.mkdir(QStringLiteral("Zed"));
        dir.mkdir(QStringLiteral(".hidden"));
        QFile(dir.filePath(QStringLiteral("sub/inner.jpg"))).open(QIODevice::WriteOnly);
    }
    QString path() const { return canonical(tmp.path()); }
    QTemporaryDir tmp;
};

template <typename T> T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QLatin1String(name));
    if (c == nullptr)
        qFatal("no control %s", name);
    return c;
}

} // namespace

class TestFormSelectDir : public QObject
{
    Q_OBJECT
private slots:
    void emptyStoreDefaults();
    void storedDirectory_data();
    void storedDirectory();
    void listsFollowDirectoryAndMask();
    void linesOpenDirectories();
    void rootKeepsItsSeparator();
    void endingsAndWhatTheyStore_data();
    void endingsAndWhatTheyStore();
    void cancelRemembersDirectory();
    void drivesAreTheMountedVolumes();
};

void TestFormSelectDir::emptyStoreDefaults()
{
    ConfigSandbox sandbox;
    Tree tree;
    const QString before = QDir::currentPath();
    QDir::setCurrent(tree.path());
    TFormSelectDir chooser;
    QDir::setCurrent(before);

    QCOMPARE(chooser.objectName(), QStringLiteral("TFormSelectDir"));
    QCOMPARE(chooser.windowTitle(), QStringLiteral("ディレクトリ選択"));
    QCOMPARE(chooser.pos(), QPoint(105, 85));
    QCOMPARE(chooser.size(), QSize(328, 349));
    QCOMPARE(chooser.directory(), tree.path());
    QCOMPARE(child<QLabel>(&chooser, "Label1")->text(), QStringLiteral("＜対象ディレクトリ＞"));
    QCOMPARE(child<QLabel>(&chooser, "Label2")->text(), QStringLiteral("＜ファイル＞"));
    QCOMPARE(child<QPushButton>(&chooser, "Button2")->text(), QStringLiteral("閉じる(&C)"));
    QCOMPARE(child<QPushButton>(&chooser, "Button1")->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    QCOMPARE(child<QLineEdit>(&chooser, "FileEdit")->text(), QStringLiteral("*.jpg;*.gif;*.bmp"));
    auto *filter = child<QComboBox>(&chooser, "FilterComboBox1");
    QStringList entries;
    for (int i = 0; i < filter->count(); ++i)
        entries.append(filter->itemText(i));
    QCOMPARE(
        entries,
        (QStringList{QStringLiteral("Image Files (*.jpg;*.gif;*.bmp)"),
                     QStringLiteral("JPEG Files (*.jpg)"), QStringLiteral("Gif Files (*.gif)"),
                     QStringLiteral("Bitmap Files (*.bmp)"), QStringLiteral("All Files (*.*)")}));
    QCOMPARE(filter->currentIndex(), 0);
    // Everything fits the initial size: showing does not grow the window.
    chooser.show();
    QVERIFY(waitForListing(&chooser));
    QCOMPARE(chooser.frameGeometry().size(), QSize(328, 349));
}

void TestFormSelectDir::storedDirectory_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("entered");
    QTest::newRow("existing") << QStringLiteral("sub") << true;
    QTest::newRow("existing, trailing separator") << QStringLiteral("sub/") << true;
    QTest::newRow("gone") << QStringLiteral("gone") << false;
    QTest::newRow("a file") << QStringLiteral("b.jpg") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestFormSelectDir::storedDirectory()
{
    QFETCH(QString, stored);
    QFETCH(bool, entered);
    ConfigSandbox sandbox;
    Tree tree;
    const QString value = stored.isEmpty() ? QString() : tree.path() + QLatin1Char('/') + stored;
    sandbox.writeSettings("[Window]\nfmSelectDir.Directory=" + QFile::encodeName(value) +
                          "\nfmSelectDir.Left=20\nfmSelectDir.Top=30\n"
                          "fmSelectDir.Width=400\nfmSelectDir.Height=420\n");
    TFormSelectDir chooser;
    QCOMPARE(chooser.directory(),
             entered ? tree.path() + QStringLiteral("/sub") : QDir::currentPath());
    QCOMPARE(chooser.geometry(), QRect(20, 30, 400, 420));
}

void TestFormSelectDir::listsFollowDirectoryAndMask()
{
    ConfigSandbox sandbox;
    Tree tree;
    TFormSelectDir chooser;
    QVERIFY(chooser.setDirectory(tree.path()));
    chooser.show();
    QVERIFY(waitForListing(&chooser));

    auto *files = child<QListView>(&chooser, "FileListBox1");
    auto *dirs = child<QListView>(&chooser, "DirectoryListBox1");
    QCOMPARE(linesOf(files), (QStringList{QStringLiteral("A.GIF"), QStringLiteral("b.jpg"),
                                          QStringLiteral("c.bmp")}));
    QStringList expectedDirs{QStringLiteral("/")};
    expectedDirs += tree.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    expectedDirs += {QStringLiteral("sub"), QStringLiteral("Zed")};
    QCOMPARE(linesOf(dirs), expectedDirs);

    // Every file under "All Files", and the result stays where it was.
    auto *filter = child<QComboBox>(&chooser, "FilterComboBox1");
    filter->setCurrentIndex(4);
    QVERIFY(waitForListing(&chooser));
    QCOMPARE(linesOf(files).size(), 5);
    QCOMPARE(child<QLineEdit>(&chooser, "FileEdit")->text(), QStringLiteral("*.*"));
    QCOMPARE(chooser.directory(), tree.path());
    filter->setCurrentIndex(1);
    QVERIFY(waitForListing(&chooser));
    QCOMPARE(linesOf(files), QStringList{QStringLiteral("b.jpg")});

    // Selecting a file shows its name; the result does not change.
    files->setCurrentIndex(files->model()->index(0, 0));
    QCOMPARE(child<QLineEdit>(&chooser, "FileEdit")->text(), QStringLiteral("b.jpg"));
    QCOMPARE(chooser.directory(), tree.path());

    // The mask stays when the directory changes.
    QVERIFY(openDirectoryLine(&chooser, QStringLiteral("sub")));
    QCOMPARE(linesOf(files), QStringList{QStringLiteral("inner.jpg")});
}

void TestFormSelectDir::linesOpenDirectories()
{
    ConfigSandbox sandbox;
    Tree tree;
    TFormSelectDir chooser;
    QVERIFY(chooser.setDirectory(tree.path()));
    chooser.show();
    QVERIFY(waitForListing(&chooser));

    QVERIFY(openDirectoryLine(&chooser, QStringLiteral("Zed")));
    QCOMPARE(chooser.directory(), tree.path() + QStringLiteral("/Zed"));
    auto *dirs = child<QListView>(&chooser, "DirectoryListBox1");
    QCOMPARE(linesOf(dirs).last(), QStringLiteral("Zed"));
    QCOMPARE(dirs->currentIndex().row(), linesOf(dirs).size() - 1);

    // A double click on a level above goes back up to it.
    const QStringList lines = linesOf(dirs);
    const QModelIndex up = dirs->model()->index(int(lines.size()) - 2, 0);
    const QPoint at = dirs->visualRect(up).center();
    QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(waitForListing(&chooser));
    QCOMPARE(chooser.directory(), tree.path());
    QVERIFY(linesOf(dirs).contains(QStringLiteral("sub")));
}

void TestFormSelectDir::rootKeepsItsSeparator()
{
    ConfigSandbox sandbox;
    Tree tree;
    TFormSelectDir chooser;
    QVERIFY(chooser.setDirectory(tree.path()));
    chooser.show();
    QVERIFY(waitForListing(&chooser));
    QVERIFY(openDirectoryLine(&chooser, QStringLiteral("/")));
    QCOMPARE(chooser.directory(), QStringLiteral("/"));
    QCOMPARE(linesOf(child<QListView>(&chooser, "DirectoryListBox1")).first(), QStringLiteral("/"));
    const QString first = tree.path().section(QLatin1Char('/'), 1, 1);
    QVERIFY(openDirectoryLine(&chooser, first));
    QCOMPARE(chooser.directory(), QLatin1Char('/') + first);
}

void TestFormSelectDir::endingsAndWhatTheyStore_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<int>("result");
    QTest::newRow("close button") << QStringLiteral("Button2") << 1;
    QTest::newRow("cancel button") << QStringLiteral("Button1") << 2;
    QTest::newRow("close box") << QStringLiteral("window") << 2;
    QTest::newRow("escape") << QStringLiteral("escape") << 2;
}

void TestFormSelectDir::endingsAndWhatTheyStore()
{
    QFETCH(QString, ending);
    QFETCH(int, result);
    ConfigSandbox sandbox;
    Tree tree;
    TFormSelectDir chooser;
    QVERIFY(chooser.setDirectory(tree.path()));
    int outerWidth = 0;
    onNextChooser([ending, &outerWidth](TFormSelectDir *c) {
        QVERIFY(openDirectoryLine(c, QStringLiteral("sub")));
        c->move(40, 50);
        c->resize(360, 380);
        outerWidth = c->frameGeometry().width();
        if (ending == QLatin1String("window"))
            c->close();
        else if (ending == QLatin1String("escape"))
            QTest::keyClick(c, Qt::Key_Escape);
        else
            c->findChild<QPushButton *>(ending)->click();
    });
    QCOMPARE(chooser.exec(), result);
    QCOMPARE(chooser.directory(), tree.path() + QStringLiteral("/sub"));
    const QString file = sandbox.settingsPath();
    QCOMPARE(storedValue(file, QStringLiteral("Window"), QStringLiteral("fmSelectDir.Directory")),
             tree.path() + QStringLiteral("/sub"));
    QCOMPARE(storedValue(file, QStringLiteral("Window"), QStringLiteral("fmSelectDir.Left")),
             QStringLiteral("40"));
    QCOMPARE(storedValue(file, QStringLiteral("Window"), QStringLiteral("fmSelectDir.Width")),
             QString::number(outerWidth));
}

void TestFormSelectDir::cancelRemembersDirectory()
{
    ConfigSandbox sandbox;
    Tree tree;
    {
        TFormSelectDir chooser;
        QVERIFY(chooser.setDirectory(tree.path()));
        onNextChooser([](TFormSelectDir *c) {
            QVERIFY(openDirectoryLine(c, QStringLiteral("Zed")));
            endChooser(c, false);
        });
        QCOMPARE(chooser.exec(), 2);
        // The next call opens where the cancelled one ended.
        onNextChooser([](TFormSelectDir *c) { endChooser(c, true); });
        QCOMPARE(chooser.exec(), 1);
        QCOMPARE(chooser.directory(), tree.path() + QStringLiteral("/Zed"));
    }
    // So does the chooser of the next run.
    TFormSelectDir next;
    QCOMPARE(next.directory(), tree.path() + QStringLiteral("/Zed"));
}

void TestFormSelectDir::drivesAreTheMountedVolumes()
{
    ConfigSandbox sandbox;
    Tree tree;
    TFormSelectDir chooser;
    QVERIFY(chooser.setDirectory(tree.path()));
    chooser.show();
    QVERIFY(waitForListing(&chooser));
    auto *drives = child<QComboBox>(&chooser, "DriveComboBox1");
    QStringList roots;
    for (int i = 0; i < drives->count(); ++i)
        roots.append(drives->itemText(i));
    QVERIFY(roots.contains(QStringLiteral("/")));
    const QString volume = drives->currentText();
    QVERIFY2(tree.path().startsWith(volume), qPrintable(volume));

    // Choosing the volume of the current directory again stays there; the
    // root volume, chosen from elsewhere, returns to its last directory.
    drives->activated(drives->currentIndex());
    QCOMPARE(chooser.directory(), tree.path());
}

QTEST_MAIN(TestFormSelectDir)
#include "test_formselectdir.moc"
