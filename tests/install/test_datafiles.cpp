#include "common/datafiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// A program directory with the installed layout around it: the lookups take
// the file beside the program first, then the one in the prefix.
class TestDataFiles : public QObject
{
    Q_OBJECT

    static void touch(const QString &path)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

private slots:
    void lookups_data()
    {
        QTest::addColumn<bool>("beside");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("data");   // "beside" or "installed"
        QTest::addColumn<QString>("module"); // "beside", "installed" or "" (none)
        QTest::newRow("build tree") << true << false << "beside"
                                    << "beside";
        QTest::newRow("installed") << false << true << "installed"
                                   << "installed";
        QTest::newRow("both") << true << true << "beside"
                              << "beside";
        QTest::newRow("neither") << false << false << "beside"
                                 << "";
    }

    void lookups()
    {
        QFETCH(bool, beside);
        QFETCH(bool, installed);
        QFETCH(QString, data);
        QFETCH(QString, module);
        QTemporaryDir prefix;
        const QString bin = prefix.path() + QStringLiteral("/bin");
        QDir().mkpath(bin);
        const QString paths[2][2] = {
            {bin + QStringLiteral("/vellisk.HLP"), bin + QStringLiteral("/libm.so")},
            {prefix.path() + QStringLiteral("/" TEST_DATADIR "/vellisk.HLP"),
             prefix.path() + QStringLiteral("/" TEST_MODULEDIR "/libm.so")}};
        for (int file = 0; file < 2; ++file) {
            if (beside)
                touch(paths[0][file]);
            if (installed)
                touch(paths[1][file]);
        }
        auto expected = [&](const QString &where, int file) {
            return where.isEmpty() ? QString()
                                   : paths[where == QLatin1String("beside") ? 0 : 1][file];
        };
        QCOMPARE(dataFilePath(QStringLiteral("vellisk.HLP"), bin), expected(data, 0));
        QCOMPARE(moduleFilePath(QStringLiteral("libm.so"), bin), expected(module, 1));
    }
};

QTEST_APPLESS_MAIN(TestDataFiles)
#include "test_datafiles.moc"
