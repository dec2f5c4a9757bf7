#include "shell/appwindows.h"
#include "shell/commandline.h"
#include "shell/tformmain.h"
#include "testutils.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString statusText(TFormMain *m)
{
    return m->findChild<QLabel *>(QStringLiteral("STB_0"))->text();
}

void makeFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not really a picture");
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void parses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode"); // -1: the program runs
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("text"); // target text, or a part of the output

        const QString dir = m_dir.path();
        const QString file = dir + QStringLiteral("/plain.txt");
        makeFile(file);
        const auto none = int(CommandLine::Target::None);
        const auto directory = int(CommandLine::Target::Directory);
        const auto url = int(CommandLine::Target::Url);
        QTest::newRow("nothing") << QStringList() << -1 << none << QString();
        QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0 << none
                                 << QStringLiteral("Vellisk 1.0\n");
        QTest::newRow("-v") << QStringList{QStringLiteral("-v")} << 0 << none
                            << QStringLiteral("Vellisk 1.0\n");
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << none
                              << QStringLiteral("[target]");
        QTest::newRow("directory") << QStringList{dir} << -1 << directory << dir;
        QTest::newRow("directory, untidy")
            << QStringList{dir + QStringLiteral("/./")} << -1 << directory << dir;
        QTest::newRow("relative directory")
            << QStringList{QDir::current().relativeFilePath(dir)} << -1 << directory << dir;
        QTest::newRow("http") << QStringList{QStringLiteral("http://example.org/a/b.html")} << -1
                              << url << QStringLiteral("http://example.org/a/b.html");
        QTest::newRow("HTTPS") << QStringList{QStringLiteral("HTTPS://example.org")} << -1 << url
                               << QStringLiteral("HTTPS://example.org");
        QTest::newRow("ftp") << QStringList{QStringLiteral("ftp://example.org/")} << 2 << none
                             << QStringLiteral("\"ftp://example.org/\" is neither");
        QTest::newRow("http without host") << QStringList{QStringLiteral("http://")} << 2 << none
                                           << QStringLiteral("neither a directory");
        QTest::newRow("a file") << QStringList{file} << 2 << none << file;
        QTest::newRow("missing") << QStringList{dir + QStringLiteral("/gone")} << 2 << none
                                 << QStringLiteral("/gone\" is neither");
        QTest::newRow("two targets")
            << QStringList{dir, dir} << 2 << none << QStringLiteral("only one");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate")} << 2 << none
                                        << QStringLiteral("frobnicate");
    }

    void parses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(int, target);
        QFETCH(QString, text);
        const CommandLine line(QStringList{QStringLiteral("/usr/bin/vellisk")} + arguments);
        QCOMPARE(line.exits(), exitCode >= 0);
        QCOMPARE(int(line.target()), target);
        if (exitCode < 0) {
            QCOMPARE(line.targetText(), text);
            QVERIFY(line.output().isEmpty());
            return;
        }
        QCOMPARE(line.exitCode(), exitCode);
        QVERIFY2(line.output().contains(text), qPrintable(line.output()));
        if (exitCode != 0)
            QVERIFY(line.output().startsWith(QStringLiteral("vellisk: ")));
    }

    // A directory argument runs a real disk search of it, even when the
    // program was left in WWW mode.
    void directorySearches()
    {
        ConfigSandbox config;
        config.writeSettings("[Setting]\r\nfmTarnvale.ToolBtWWW=1\r\n");
        QTemporaryDir pictures;
        for (const char *name : {"a.jpg", "b.jpg", "sub/c.jpg", "notes.txt"})
            makeFile(pictures.path() + QLatin1Char('/') + QLatin1String(name));

        const CommandLine line({QStringLiteral("vellisk"), pictures.path()});
        auto windows = createWindows();
        TFormMain *m = windows->main();
        QVERIFY(m->isWWWMode());
        line.apply(m);
        QVERIFY(!m->isWWWMode());
        QCOMPARE(m->findChild<QComboBox *>(QStringLiteral("ComboDirectory"))->currentText(),
                 pictures.path());
        QTRY_COMPARE(statusText(m), QStringLiteral("検索完了 : 3 件"));
        auto *list = m->findChild<QAbstractItemView *>(QStringLiteral("ListImage"));
        QStringList found;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            found << list->model()->index(row, 0).data().toString().mid(18);
        found.sort();
        const QString root = pictures.path();
        QCOMPARE(found,
                 QStringList({root + QStringLiteral("/a.jpg"), root + QStringLiteral("/b.jpg"),
                              root + QStringLiteral("/sub/c.jpg")}));
    }

    // An address switches to WWW mode and runs the search command there.
    void addressStartsWebSearch()
    {
        ConfigSandbox config;
        const QString address = QStringLiteral("http://127.0.0.1:9/start.html");
        const CommandLine line({QStringLiteral("vellisk"), address});
        auto windows = createWindows();
        TFormMain *m = windows->main();
        QVERIFY(!m->isWWWMode());
        line.apply(m);
        QVERIFY(m->isWWWMode());
        QCOMPARE(m->findChild<QComboBox *>(QStringLiteral("ComboURL"))->currentText(), address);
        QCOMPARE(m->busyIndicator(), TFormMain::ImageBusy);
        QTRY_COMPARE(statusText(m), QStringLiteral("探索開始..."));
    }

    // Without a target the windows start as they always do.
    void nothingLeavesTheWindowAlone()
    {
        ConfigSandbox config;
        auto windows = createWindows();
        TFormMain *m = windows->main();
        CommandLine({QStringLiteral("vellisk")}).apply(m);
        QCOMPARE(m->busyIndicator(), TFormMain::ImageIdle);
        QVERIFY(statusText(m).isEmpty());
    }
};

QTEST_MAIN(TestCommandLine)
#include "test_commandline.moc"
