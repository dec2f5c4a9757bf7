// How much of a site written as today's pages are the crawl gathers: 100
// pages and 400 pictures of every kind (see tests/crawl/modernsite.h), served
// by nginx, crawled through the whole program once with the extras of
// "拡張設定" on and once with the first-run settings.
#include "benchreport.h"
#include "crawl/crawlengine.h"
#include "modernsite.h"
#include "nginxserver.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"
#include "viewlines.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

struct Gathered
{
    int pictures = 0;    // listed files that are pictures the pages show
    int nonPictures = 0; // listed files that are not
};

Gathered crawl(const ModernSite &site, const QByteArray &settings)
{
    QTemporaryDir config;
    QTemporaryDir save;
    QDir(config.path()).mkpath(QStringLiteral("Qorvin"));
    QFile ini(config.filePath(QStringLiteral("Qorvin/Vellisk.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write(
        "[Window]\r\nfmTarnvale.URL=" + site.startURL().toLatin1() +
        "\r\n[Setting]\r\nfmTarnvale.ToolBtWWW=1\r\nfmTarnvale.AutoDisp=7\r\nfmSetting.Directory=" +
        save.path().toLocal8Bit() +
        "\r\nfmSetting.Speed=6\r\nfmSetting.MaxURL=100000\r\nfmSetting.MaxImage=100000\r\n"
        "fmSetting.CheckSize=7\r\nfmSetting.CheckGif=1\r\n" +
        settings);
    ini.close();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    auto windows = createWindows();
    TFormMain *main = windows->main();
    QSignalSpy finished(main->crawl(), &CrawlEngine::runFinished);
    main->findChild<QToolButton *>(QStringLiteral("BtTansaku"))->click();
    finished.wait(600000);

    static const QRegularExpression line(QStringLiteral("^(\\d{4,})  (\\S+) +(\\S+)$"));
    QMap<QString, QString> urlOfNumber;
    for (const QString &text :
         linesOf(main->findChild<QAbstractItemView *>(QStringLiteral("ImageLink")))) {
        const QRegularExpressionMatch m = line.match(text);
        if (m.hasMatch())
            urlOfNumber.insert(m.captured(1), m.captured(3));
    }
    Gathered result;
    for (const QString &text :
         linesOf(main->findChild<QAbstractItemView *>(QStringLiteral("ListImage")))) {
        const QString path = text.mid(18);
        const QString url = urlOfNumber.value(QFileInfo(path).completeBaseName());
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        if (site.pictures.contains(url) && file.readAll() == site.pictures.value(url))
            ++result.pictures;
        else
            ++result.nonPictures;
    }
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir www;
    ModernSite::Options options;
    options.pages = 100;
    options.pictures = 400;
    const QString locations = ModernSite::generate(QStringLiteral("h"), {}).nginxLocations();
    NginxServer nginx(www.path(), {}, locations);
    if (!nginx.error().isEmpty()) {
        std::fprintf(stderr, "bench_modernsite: %s\n", qPrintable(nginx.error()));
        return 1;
    }
    const ModernSite site =
        ModernSite::generate(QStringLiteral("127.0.0.1:%1").arg(nginx.port()), options);
    if (!site.error.isEmpty() || !site.writeTo(www.path())) {
        std::fprintf(stderr, "bench_modernsite: %s\n", qPrintable(site.error));
        return 1;
    }
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    const Gathered extras =
        crawl(site, "fmSetting.ExtPNG=1\r\nfmSetting.ExtWebP=1\r\nfmSetting.ExtAVIF=1\r\n"
                    "fmSetting.ExtJpegAlias=1\r\nfmSetting.ExtQueryType=1\r\n"
                    "fmSetting.ExtContentType=1\r\nfmSetting.ExtSrcset=1\r\n"
                    "fmSetting.ExtCssImage=1\r\nfmSetting.ExtMetaImage=1\r\n"
                    "fmSetting.ExtMagic=1\r\nfmSetting.ExtPixelSize=1\r\n"
                    "fmSetting.ExtMinWidth=50\r\nfmSetting.ExtMinHeight=50\r\n");
    const Gathered firstRun = crawl(site, QByteArray());
    qputenv("XDG_CONFIG_HOME", configHome);
    const double shown = double(site.pictures.size());
    std::printf(
        "# %lld pictures shown; gathered %d with the extras, %d with the first-run settings "
        "(which also listed %d files the pages do not show as pictures: fakes, pixels, <picture> "
        "fallbacks)\n",
        qint64(site.pictures.size()), extras.pictures, firstRun.pictures, firstRun.nonPictures);
    printBench("modern_site_coverage", extras.pictures / shown, "share", firstRun.pictures / shown,
               extras.pictures / shown, "1.0");
    printBench("modern_site_non_pictures", extras.nonPictures, "files", firstRun.nonPictures, "0");
    return 0;
}
