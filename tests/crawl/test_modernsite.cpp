// A crawl through the main window of a site written as today's pages are,
// served by nginx: with the first-run settings it finds what it always found;
// with the extras on, every picture the pages show and nothing that is none.
#include "components/logpane.h"
#include "filebytes.h"
#include "modernsite.h"
#include "nginxserver.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"
#include "testutils.h"
#include "viewlines.h"

#include <QAbstractItemView>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class TestModernSite : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init()
    {
        m_sandbox = std::make_unique<ConfigSandbox>();
        m_save = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        m_windows.reset();
        m_sandbox.reset();
        m_save.reset();
    }
    void firstRunFindsWhatItAlwaysFound();
    void extrasFindEveryPictureAndNothingElse();

private:
    template <typename T> T *child(const char *name) const
    {
        return m_windows->main()->findChild<T *>(QLatin1String(name));
    }
    // The crawl of the site to its end; the image list's URLs by the paths
    // of the files that were listed.
    QMap<QString, QString> crawl(const QByteArray &settings);

    std::unique_ptr<QTemporaryDir> m_www;
    std::unique_ptr<NginxServer> m_nginx;
    ModernSite m_site;
    std::unique_ptr<ConfigSandbox> m_sandbox;
    std::unique_ptr<AppWindows> m_windows;
    std::unique_ptr<QTemporaryDir> m_save;
};

void TestModernSite::initTestCase()
{
    m_www = std::make_unique<QTemporaryDir>();
    // The site's addresses need the server's port, and its locations are known
    // before the site is: made once with a placeholder host to learn them.
    const QString locations = ModernSite::generate(QStringLiteral("h"), {}).nginxLocations();
    m_nginx = std::make_unique<NginxServer>(m_www->path(), QMap<QString, QString>{}, locations);
    QVERIFY2(m_nginx->error().isEmpty(), qPrintable(m_nginx->error()));
    m_site = ModernSite::generate(QStringLiteral("127.0.0.1:%1").arg(m_nginx->port()), {});
    QVERIFY2(m_site.error.isEmpty(), qPrintable(m_site.error));
    QVERIFY(m_site.writeTo(m_www->path()));
}

QMap<QString, QString> TestModernSite::crawl(const QByteArray &settings)
{
    m_sandbox->writeSettings(
        "[Window]\r\nfmTarnvale.URL=" + m_site.startURL().toLatin1() +
        "\r\n[Setting]\r\nfmTarnvale.ToolBtWWW=1\r\nfmTarnvale.AutoDisp=7\r\n"
        "fmSetting.Directory=" +
        m_save->path().toLocal8Bit() +
        "\r\nfmSetting.Speed=6\r\nfmSetting.MaxURL=1000\r\nfmSetting.MaxImage=1000\r\n"
        "fmSetting.CheckSize=7\r\nfmSetting.CheckGif=1\r\n" +
        settings);
    m_windows = createWindows();
    child<QToolButton>("BtTansaku")->click();
    if (!waitUntil([&] { return child<QLabel>("STB_0")->text() == QStringLiteral("探索終了"); },
                   120000))
        return {};
    static const QRegularExpression line(QStringLiteral("^(\\d{4,})  (\\S+) +(\\S+)$"));
    QMap<QString, QString> urlOfNumber;
    for (const QString &text : linesOf(child<QAbstractItemView>("ImageLink"))) {
        const QRegularExpressionMatch m = line.match(text);
        if (m.hasMatch())
            urlOfNumber.insert(m.captured(1), m.captured(3));
    }
    QMap<QString, QString> listed;
    for (const QString &text : linesOf(child<QAbstractItemView>("ListImage"))) {
        const QString path = text.mid(18);
        listed.insert(path, urlOfNumber.value(QFileInfo(path).completeBaseName()));
    }
    return listed;
}

void TestModernSite::firstRunFindsWhatItAlwaysFound()
{
    const QMap<QString, QString> listed = crawl(QByteArray());
    QStringList urls = listed.values();
    QStringList today = m_site.todayURLs;
    urls.sort();
    today.sort();
    QCOMPARE(urls, today);
}

void TestModernSite::extrasFindEveryPictureAndNothingElse()
{
    QMap<QString, QString> listed =
        crawl("fmSetting.ExtPNG=1\r\nfmSetting.ExtWebP=1\r\n"
              "fmSetting.ExtAVIF=1\r\nfmSetting.ExtJpegAlias=1\r\n"
              "fmSetting.ExtQueryType=1\r\nfmSetting.ExtContentType=1\r\n"
              "fmSetting.ExtSrcset=1\r\nfmSetting.ExtCssImage=1\r\n"
              "fmSetting.ExtMetaImage=1\r\nfmSetting.ExtMagic=1\r\n"
              "fmSetting.ExtPixelSize=1\r\nfmSetting.ExtMinWidth=50\r\n"
              "fmSetting.ExtMinHeight=50\r\n");
    QStringList urls = listed.values();
    QStringList shown = m_site.pictures.keys();
    urls.sort();
    QCOMPARE(urls, shown);
    for (auto it = listed.cbegin(); it != listed.cend(); ++it)
        QVERIFY2(fileBytes(it.key()) == m_site.pictures.value(it.value()), qPrintable(it.key()));
    // The extensionless picture is saved under the server's type.
    QVERIFY(std::any_of(listed.keyBegin(), listed.keyEnd(),
                        [](const QString &path) { return path.endsWith(QLatin1String(".webp")); }));

    const QString errors = child<LogPane>("MemoError")->text();
    for (const QString &fake : m_site.fakeURLs)
        QVERIFY2(errors.contains(QStringLiteral("画像ではありません : ") + fake +
                                 QStringLiteral(" (text/html)")),
                 qPrintable(fake));
    QCOMPARE(errors.count(QStringLiteral("大きさチェック ")), m_site.tinyURLs.size());
    QCOMPARE(child<QLabel>("STB_2")->text(), QStringLiteral("画像 : %1件").arg(shown.size()));
}

QTEST_MAIN(TestModernSite)
#include "test_modernsite.moc"
