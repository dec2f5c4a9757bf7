#include "common/settingsstore.h"
#include "filebytes.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString W = QStringLiteral("Window");
const QString S = QStringLiteral("Setting");

void writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const char *name) const
    {
        return m_dir.path() + QLatin1Char('/') + QLatin1String(name);
    }

private slots:
    void integerText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << "800" << 800;
        QTest::newRow("negative") << "-12" << -12;
        QTest::newRow("0x hex") << "0x1A" << 26;
        QTest::newRow("0X hex") << "0X1a" << 26;
        QTest::newRow("dollar hex") << "$1A" << 26;
        QTest::newRow("hex is 32 bits") << "0xFFFFFFFF" << -1;
        QTest::newRow("letters give default") << "abc" << -99;
        QTest::newRow("bare 0x gives default") << "0x" << -99;
        QTest::newRow("trailing blank gives default") << "800 " << -99;
        QTest::newRow("empty gives default") << "" << -99;
        QTest::newRow("overflow gives default") << "4294967296" << -99;
        QTest::newRow("above int range gives default") << "2147483648" << -99;
        QTest::newRow("lowest int") << "-2147483648" << int(0x80000000);
    }
    void integerText()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const QString file = path("int.ini");
        {
            SettingsStore store(file);
            store.WriteString(S, QStringLiteral("fmSetting.Speed"), text);
        }
        SettingsStore store(file);
        QCOMPARE(store.ReadInteger(S, QStringLiteral("fmSetting.Speed"), -99), expected);
    }

    void flagsOnlyOneIsOn_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("defaultValue");
        QTest::addColumn<bool>("on");
        QTest::newRow("1") << "1" << 7 << true;
        QTest::newRow("0") << "0" << 1 << false;
        QTest::newRow("7") << "7" << 1 << false;
        QTest::newRow("2") << "2" << 1 << false;
        QTest::newRow("0x1") << "0x1" << 7 << true;
        QTest::newRow("garbage takes default on") << "yes" << 1 << true;
        QTest::newRow("garbage takes default off") << "yes" << 7 << false;
    }
    void flagsOnlyOneIsOn()
    {
        QFETCH(QString, stored);
        QFETCH(int, defaultValue);
        QFETCH(bool, on);
        const QString file = path("flag.ini");
        writeAll(file, "[Setting]\r\nfmSetting.CheckGif=" + stored.toLatin1() + "\r\n");
        SettingsStore store(file);
        QCOMPARE(store.ReadFlag(S, QStringLiteral("fmSetting.CheckGif"), defaultValue), on);
    }

    void flagsAreWrittenAsOneAndSeven()
    {
        const QString file = path("flags.ini");
        {
            SettingsStore store(file);
            store.WriteFlag(S, QStringLiteral("fmSetting.CheckJpeg"), true);
            store.WriteFlag(S, QStringLiteral("fmSetting.CheckGif"), false);
        }
        const QByteArray bytes = fileBytes(file);
        QVERIFY(bytes.contains("fmSetting.CheckJpeg=1\r\n"));
        QVERIFY(bytes.contains("fmSetting.CheckGif=7\r\n"));
    }

    void namesIgnoreCaseButSectionsStaySeparate()
    {
        const QString file = path("names.ini");
        {
            SettingsStore store(file);
            store.WriteFlag(S, QStringLiteral("fmSetting.CheckBMP"), true);
            store.WriteFlag(S, QStringLiteral("fmSetting.CheckBmp"), false);
            store.WriteInteger(W, QStringLiteral("fmSetting.Width"), 495);
            store.WriteString(S, QStringLiteral("fmSetting.Width"), QStringLiteral("800 "));
        }
        SettingsStore store(file);
        QCOMPARE(store.ReadInteger(S, QStringLiteral("FMSETTING.CHECKBMP"), 1), 7);
        QCOMPARE(fileBytes(file).count("CheckB"), 1);
        QCOMPARE(store.ReadInteger(QStringLiteral("window"), QStringLiteral("fmSetting.Width"), 0),
                 495);
        QCOMPARE(store.ReadString(S, QStringLiteral("fmSetting.Width"), QString()),
                 QStringLiteral("800 "));
    }

    void missingValuesGiveDefaultsAndEmptyTextStaysEmpty()
    {
        const QString file = path("defaults.ini");
        {
            SettingsStore store(file);
            store.WriteString(S, QStringLiteral("fmSetting.IPAddress"), QString());
        }
        SettingsStore store(file);
        QCOMPARE(store.ReadString(S, QStringLiteral("fmSetting.IPAddress"), QStringLiteral("x")),
                 QString());
        QCOMPARE(store.ReadString(S, QStringLiteral("fmSetting.Port"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QCOMPARE(store.ReadInteger(QStringLiteral("NoSuchSection"), QStringLiteral("a"), 5), 5);
    }

    void textIsShiftJisOnDisk()
    {
        const QString file = path("sjis.ini");
        const QString text = QStringLiteral("ﾃﾞｨﾚｸﾄﾘ探索");
        {
            SettingsStore store(file);
            store.WriteString(W, QStringLiteral("fmTarnvale.Directory"), text);
        }
        // Half-width katakana are single bytes in Shift-JIS; 探索 is 0x92 0x54 0x8D 0xF5.
        QVERIFY(fileBytes(file).contains(
            "fmTarnvale.Directory=\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x92\x54\x8D\xF5\r\n"));
        SettingsStore store(file);
        QCOMPARE(store.ReadString(W, QStringLiteral("fmTarnvale.Directory"), QString()), text);
    }

    // Values Shift-JIS cannot carry, and values with characters a line-based
    // file treats specially, all come back exactly.
    void valuesRoundTripExactly_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("plainForm");
        QTest::newRow("trailing blank") << QStringLiteral("800 ") << true;
        QTest::newRow("leading blanks") << QStringLiteral("  x") << true;
        QTest::newRow("equals") << QStringLiteral("a=b=c") << true;
        QTest::newRow("hash and semicolon") << QStringLiteral("#;not a comment;") << true;
        QTest::newRow("brackets") << QStringLiteral("[Window]") << true;
        QTest::newRow("backslash") << QStringLiteral("C:\\") << true;
        QTest::newRow("accented") << QStringLiteral("/home/café") << false;
        QTest::newRow("emoji") << QString::fromUtf8("/pics/\xF0\x9F\x98\x80") << false;
        QTest::newRow("yen sign") << QString::fromUtf8("\xC2\xA5"
                                                       "100")
                                  << false;
        QTest::newRow("line breaks") << QStringLiteral("one\ntwo\r\nthree\r") << false;
        QTest::newRow("percent and quotes") << QStringLiteral("100% \"x\" ''") << true;
    }
    void valuesRoundTripExactly()
    {
        QFETCH(QString, value);
        QFETCH(bool, plainForm);
        const QString file = path("roundtrip.ini");
        QFile::remove(file);
        {
            SettingsStore store(file);
            store.WriteString(S, QStringLiteral("fmSetting.Start"), value);
            store.WriteString(S, QStringLiteral("fmSetting.After"), QStringLiteral("after"));
        }
        const QByteArray bytes = fileBytes(file);
        QCOMPARE(bytes.contains("fmSetting.Start="), plainForm);
        SettingsStore store(file);
        QCOMPARE(store.ReadString(S, QStringLiteral("fmSetting.Start"), QStringLiteral("?")),
                 value);
        QCOMPARE(store.ReadString(S, QStringLiteral("fmSetting.After"), QString()),
                 QStringLiteral("after"));
    }

    void badFilesGiveDefaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        static const char garbage[] = "\x00\xff\xfe\x81\x00=\n\n[[[\n=\n";
        QTest::newRow("garbage") << QByteArray(garbage, sizeof garbage - 1);
        QTest::newRow("truncated") << QByteArray("[Setting]\r\nfmSetting.Speed=");
        QTest::newRow("no section") << QByteArray("fmSetting.Speed=6\r\n");
        QTest::newRow("bad extended form") << QByteArray("[Setting]\r\nfmSetting.Speed*=%%%\r\n");
    }
    void badFilesGiveDefaults()
    {
        QFETCH(QByteArray, content);
        const QString file = path("bad.ini");
        writeAll(file, content);
        SettingsStore store(file);
        QCOMPARE(store.ReadInteger(S, QStringLiteral("fmSetting.Speed"), 4), 4);
        QCOMPARE(
            store.ReadString(S, QStringLiteral("fmSetting.StartURL"), QStringLiteral("http://")),
            QStringLiteral("http://"));
    }

    void writingKeepsOtherValues()
    {
        const QString file = path("keep.ini");
        writeAll(file, "[Window]\r\nfmView.Left=10\r\n[Setting]\r\nfmSetteiMulti=7\r\n");
        {
            SettingsStore store(file);
            store.WriteInteger(W, QStringLiteral("fmMulti.Left"), 63);
        }
        SettingsStore store(file);
        QCOMPARE(store.ReadInteger(W, QStringLiteral("fmView.Left"), 0), 10);
        QCOMPARE(store.ReadInteger(W, QStringLiteral("fmMulti.Left"), 0), 63);
        QCOMPARE(store.ReadFlag(S, QStringLiteral("fmSetteiMulti"), 1), false);
    }

    // Stray lines of a damaged file are read as a header or a comment however
    // they are indented, so they read the same once the file is written back:
    // "\r[x=y]" taken for a name would return as a header carrying every
    // later value off into another section.
    void strayLinesKeepTheirMeaningWhenWrittenBack()
    {
        const QString file = path("stray.ini");
        writeAll(file, "[Setting]\r\n"
                       "\t fmSetting.Speed=3\r\n"
                       "  ;comment=1\r\n"
                       "a**=UTF-8''b\r\n"
                       "fmSetting.Speed*\x9c=UTF-8''7\r\n"
                       "\r[Stray=x]\r\n"
                       "fmSetting.Start=C:\\\r\n");
        for (int pass = 0; pass < 2; ++pass) {
            SettingsStore store(file);
            QCOMPARE(store.ReadInteger(S, QStringLiteral("fmSetting.Speed"), 0), 3);
            QCOMPARE(store.ReadString(S, QStringLiteral(";comment"), QStringLiteral("none")),
                     QStringLiteral("none"));
            QCOMPARE(store.ReadString(S, QStringLiteral("a*"), QStringLiteral("none")),
                     QStringLiteral("none"));
            QCOMPARE(
                store.ReadString(S, QStringLiteral("fmSetting.Speed*"), QStringLiteral("none")),
                QStringLiteral("none"));
            QCOMPARE(store.ReadString(S, QStringLiteral("fmSetting.Start"), QStringLiteral("none")),
                     QStringLiteral("none"));
            QCOMPARE(store.ReadString(QStringLiteral("Stray=x"), QStringLiteral("fmSetting.Start"),
                                      QString()),
                     QStringLiteral("C:\\"));
            store.WriteInteger(S, QStringLiteral("fmSetting.Speed"),
                               3); // the whole file is written again
        }
    }

    void unwritableDirectoryIsNotFatal()
    {
        // A plain file where the configuration directory should be: even root
        // cannot create the store there, and the store only says so.
        const QString blocker = path("blocker");
        writeAll(blocker, "x");
        SettingsStore store(blocker + QStringLiteral("/Qorvin/Vellisk.ini"));
        QCOMPARE(store.ReadInteger(W, QStringLiteral("a"), 3), 3);
        store.WriteInteger(W, QStringLiteral("a"), 1);
        QVERIFY(!store.close());
    }

    void failedWriteLeavesOldFileWhole()
    {
        // A directory where the file should be: the write fails, nothing is lost.
        const QString file = path("occupied.ini");
        QDir().mkpath(file);
        SettingsStore store(file);
        store.WriteInteger(W, QStringLiteral("a"), 1);
        QVERIFY(!store.close());
        QVERIFY(QFileInfo(file).isDir());
    }

    void defaultPathFollowsXdgConfigHome()
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
        QCOMPARE(SettingsStore::defaultFilePath(),
                 m_dir.path() + QStringLiteral("/Qorvin/Vellisk.ini"));
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(SettingsStore::defaultFilePath(),
                 QDir::homePath() + QStringLiteral("/.config/Qorvin/Vellisk.ini"));
    }
};

QTEST_APPLESS_MAIN(TestSettingsStore)
#include "test_settingsstore.moc"
