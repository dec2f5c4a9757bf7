#pragma once

#include <QMetaType>
#include <QString>

#include <optional>

// The search conditions of the settings dialog as one typed value: what the
// disk search, the crawl and the proxy set-up read at the moment of use. The
// dialog produces it from its controls at each call, so a change made while
// a run goes on is seen at the next read.

// The image types searched for; ".jpg", ".gif" and ".bmp" count as images,
// and with the extras of "拡張設定" ".png", ".webp" and ".avif", and ".jpeg",
// ".jpe" and ".jfif" as JPEG.
struct ImageTypes
{
    bool jpeg = true;
    bool gif = false;
    bool bmp = false;
    bool png = false;
    bool webp = false;
    bool avif = false;
    bool jpegAlias = false; // ".jpeg .jpe .jfif も JPEG とする"
};

// "拡張設定": what today's web needs beyond the program's first design. Each
// first-run value keeps that design's behaviour exactly.
struct ExtraSettings
{
    // 画像の見つけ方
    bool queryType = false;   // an address's type from its path, before "?" and "#"
    bool contentType = false; // an image link without a known type: the server's Content-Type
    bool srcset = false;      // lazy images (data-src ...), srcset, <picture>
    bool cssImage = false;    // url(...) in style attributes and <style> blocks
    bool metaImage = false;   // og:image, twitter:image
    // 画像の検査
    bool magic = false; // the bytes must be a picture of a selected type
    bool pixelSize = false;
    int minWidth = 0;
    int minHeight = 0;
    // 表示
    bool gifShow = false;     // GIF pictures shown by their first frame
    bool orientation = false; // JPEGs turned upright by their Exif orientation
    // デスクトップ: the desktop's shared thumbnails read and written. On from
    // the first run: it changes how fast pictures show, not what shows.
    bool thumbCache = true;
    // 礼儀と接続
    bool referer = false;        // image requests carry the page they were found on
    int hostIntervalMs = 0;      // least time between two starts of requests to one host
    bool retryLater = false;     // "429" and "503" wait and try again
    bool robots = false;         // robots.txt obeyed
    bool browserCookies = false; // the browser pane's cookies go with the crawl
    // 保存の記録
    bool record = false;                               // saved pictures recorded in a database
    QString recordName = QStringLiteral("Vellisk.db"); // in the save directory unless absolute
    bool skipSaved = false;       // a recorded picture still on disk is not fetched again
    bool sameContent = false;     // a download with a recorded picture's bytes is dropped
    bool continueNumbers = false; // numbers go on after the highest one in use

    bool anyLinkFinding() const { return srcset || cssImage || metaImage || contentType; }
};

// A number typed into a text box: the text as it stands (messages quote it)
// and the integer it holds, when it holds one.
struct NumberText
{
    QString text;
    std::optional<int> number;

    static NumberText from(const QString &text);
    int valueOr(int fallback) const { return number.value_or(fallback); }
};

// The proxy as the dialog hands it to the HTTP controls, the port checked.
struct ProxyChoice
{
    bool inUse = false;
    QString host;
    int port = 0;
};

// One stored setting of the dialog: its name in the section "Setting" and the
// value a first run (an empty store) gives it.
template <typename T> struct StoredSetting
{
    const char *name;
    T firstRun;
};

namespace SearchSetting {
// 探索設定(WWW)
inline const StoredSetting<QString> StartURL{"fmSetting.StartURL", QStringLiteral("http://")};
inline const StoredSetting<int> KekkaWWW{"fmSetting.KekkaWWW", 0};
inline const StoredSetting<QString> MaxImage{"fmSetting.MaxImage", QStringLiteral("20")};
inline const StoredSetting<QString> MaxURL{"fmSetting.MaxURL", QStringLiteral("100")};
inline const StoredSetting<QString> Uchikiri{"fmSetting.Uchikiri", QStringLiteral("20")};
inline const StoredSetting<bool> CheckGaibu{"fmSetting.CheckGaibu", true};
inline const StoredSetting<bool> CheckLinkMax{"fmSetting.CheckLinkMax", true};
inline const StoredSetting<QString> LinkMax{"fmSetting.LinkMax", QStringLiteral("3")};
inline const StoredSetting<int> Speed{"fmSetting.Speed", 4};
// 探索設定(HD)
inline const StoredSetting<QString> Start{"fmSetting.Start", QStringLiteral("/")};
inline const StoredSetting<int> Kekka{"fmSetting.Kekka", 0};
// 画像設定
inline const StoredSetting<bool> CheckFileSave{"fmSetting.CheckFileSave", true};
// The first-run save directory is the program's own: saveDirectoryFirstRun().
inline const StoredSetting<QString> Directory{"fmSetting.Directory", QString()};
inline const StoredSetting<bool> CheckDBSave{"fmSetting.CheckDBSave", false};
inline const StoredSetting<bool> CheckJpeg{"fmSetting.CheckJpeg", true};
inline const StoredSetting<bool> CheckGif{"fmSetting.CheckGif", false};
inline const StoredSetting<bool> CheckBmp{"fmSetting.CheckBmp", false};
inline const StoredSetting<bool> CheckSize{"fmSetting.CheckSize", true};
inline const StoredSetting<QString> MinSize{"fmSetting.MinSize", QStringLiteral("5")};
inline const StoredSetting<QString> MaxSize{"fmSetting.MaxSize", QStringLiteral("120")};
inline const StoredSetting<bool> CheckHiritsu{"fmSetting.CheckHiritsu", true};
inline const StoredSetting<QString> Hiritsu{"fmSetting.Hiritsu", QStringLiteral("200")};
inline const StoredSetting<QString> Height{"fmSetting.Height", QStringLiteral("1000")};
inline const StoredSetting<QString> Width{"fmSetting.Width", QStringLiteral("800 ")};
// ネットワーク
inline const StoredSetting<bool> CheckProxy{"fmSetting.CheckProxy", false};
inline const StoredSetting<QString> IPAddress{"fmSetting.IPAddress", QString()};
inline const StoredSetting<QString> Port{"fmSetting.Port", QString()};
// 拡張設定: names an older settings file lacks, written after all the above.
inline const StoredSetting<bool> ExtPNG{"fmSetting.ExtPNG", false};
inline const StoredSetting<bool> ExtWebP{"fmSetting.ExtWebP", false};
inline const StoredSetting<bool> ExtAVIF{"fmSetting.ExtAVIF", false};
inline const StoredSetting<bool> ExtJpegAlias{"fmSetting.ExtJpegAlias", false};
inline const StoredSetting<bool> ExtQueryType{"fmSetting.ExtQueryType", false};
inline const StoredSetting<bool> ExtContentType{"fmSetting.ExtContentType", false};
inline const StoredSetting<bool> ExtSrcset{"fmSetting.ExtSrcset", false};
inline const StoredSetting<bool> ExtCssImage{"fmSetting.ExtCssImage", false};
inline const StoredSetting<bool> ExtMetaImage{"fmSetting.ExtMetaImage", false};
inline const StoredSetting<bool> ExtMagic{"fmSetting.ExtMagic", false};
inline const StoredSetting<bool> ExtPixelSize{"fmSetting.ExtPixelSize", false};
inline const StoredSetting<QString> ExtMinWidth{"fmSetting.ExtMinWidth", QString()};
inline const StoredSetting<QString> ExtMinHeight{"fmSetting.ExtMinHeight", QString()};
inline const StoredSetting<bool> ExtGifShow{"fmSetting.ExtGifShow", false};
inline const StoredSetting<bool> ExtReferer{"fmSetting.ExtReferer", false};
inline const StoredSetting<QString> ExtHostInterval{"fmSetting.ExtHostInterval", QString()};
inline const StoredSetting<bool> ExtRetryLater{"fmSetting.ExtRetryLater", false};
inline const StoredSetting<bool> ExtRobots{"fmSetting.ExtRobots", false};
inline const StoredSetting<bool> ExtBrowserCookies{"fmSetting.ExtBrowserCookies", false};
inline const StoredSetting<bool> ExtRecord{"fmSetting.ExtRecord", false};
inline const StoredSetting<QString> ExtRecordName{"fmSetting.ExtRecordName",
                                                  QStringLiteral("Vellisk.db")};
inline const StoredSetting<bool> ExtSkipSaved{"fmSetting.ExtSkipSaved", false};
inline const StoredSetting<bool> ExtSameContent{"fmSetting.ExtSameContent", false};
inline const StoredSetting<bool> ExtContinueNumbers{"fmSetting.ExtContinueNumbers", false};
inline const StoredSetting<bool> ExtOrientation{"fmSetting.ExtOrientation", false};
// On at first run, so a file written before it existed reads as on too.
inline const StoredSetting<bool> ExtThumbCache{"fmSetting.ExtThumbCache", true};

// The directory that holds the program, without a trailing separator, when
// it runs from a build tree it may write in. An installed program's directory
// (/usr/bin) is no place for pictures even where the account may write there,
// and numbered names must not land among the user's own pictures: then the
// folder "Vellisk" in the user's pictures directory, made when first needed.
QString saveDirectoryFirstRun();
QString saveDirectoryFor(const QString &programDirectory);
QString picturesSaveDirectory();
} // namespace SearchSetting

struct SearchConditions
{
    // Fall-backs of the readers for text that holds no integer.
    static constexpr int NoURLMaximum = -1;
    static constexpr int NoImageMaximum = -1;
    static constexpr int DefaultCutOffSeconds = 60;

    // 探索設定(WWW)
    QString startURL = SearchSetting::StartURL.firstRun;
    bool clearWWWResults = false; // "毎回クリアする"
    NumberText maxImage = NumberText::from(SearchSetting::MaxImage.firstRun);
    NumberText maxURL = NumberText::from(SearchSetting::MaxURL.firstRun);
    NumberText cutOff = NumberText::from(SearchSetting::Uchikiri.firstRun);
    bool followOtherHosts = false; // offered by the dialog, never switched on
    bool linkMaxOn = SearchSetting::CheckLinkMax.firstRun;
    QString linkMax = SearchSetting::LinkMax.firstRun;
    int speed = SearchSetting::Speed.firstRun; // fetch slots used, 1 to 6

    // 探索設定(HD)
    QString startDirectory = SearchSetting::Start.firstRun;
    bool clearDiskResults = false; // "毎回クリアする"

    // 画像設定
    bool saveToFile = SearchSetting::CheckFileSave.firstRun;
    QString saveDirectory;
    bool saveToDatabase = false; // offered by the dialog, never switched on
    ImageTypes imageTypes;
    bool checkSize = SearchSetting::CheckSize.firstRun;
    NumberText minSizeKB = NumberText::from(SearchSetting::MinSize.firstRun);
    NumberText maxSizeKB = NumberText::from(SearchSetting::MaxSize.firstRun);
    bool checkRatio = SearchSetting::CheckHiritsu.firstRun;
    NumberText ratioPercent = NumberText::from(SearchSetting::Hiritsu.firstRun);
    QString heightLimit = SearchSetting::Height.firstRun; // stored only
    QString widthLimit = SearchSetting::Width.firstRun;   // stored only

    // ネットワーク
    bool proxyOn = SearchSetting::CheckProxy.firstRun;
    QString proxyHost;
    QString proxyPort;

    // 拡張設定
    ExtraSettings extra;

    // The crawl's limits: a URL maximum that is not an integer stops every
    // slot at once, an image maximum that is not one never stops the run,
    // and a cut-off that is not one counts as 60 seconds.
    int urlMaximum() const { return maxURL.valueOr(NoURLMaximum); }
    int imageMaximum() const { return maxImage.valueOr(NoImageMaximum); }
    int cutOffSeconds() const { return cutOff.valueOr(DefaultCutOffSeconds); }
    // The accepted file-size range in kilobytes of 1000 bytes. The dialog puts
    // "5" or "120" back into a box whose text stops being an integer, so the
    // readers take the same values for one that somehow holds none.
    int minimumKB() const { return minSizeKB.valueOr(5); }
    int maximumKB() const { return maxSizeKB.valueOr(120); }
    // The width/height limit in percent; none when the box holds no integer
    // (the ratio check then passes every picture).
    std::optional<int> ratioLimit() const { return ratioPercent.number; }

    // The proxy to hand to the HTTP controls; nothing when it is switched on
    // with a port that is not an integer from 0 to 65535.
    std::optional<ProxyChoice> proxyChoice() const;
};

Q_DECLARE_METATYPE(SearchConditions)
