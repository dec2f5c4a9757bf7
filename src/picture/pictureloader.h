#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>

// What one load produced. On failure `error` holds the text shown to the user
// ("ﾌｧｲﾙ %s は開けません", "拡張子 .%s の画像形式は処理できません",
// "JPEG ｴﾗｰ #%d", "AVIF ｴﾗｰ #%d (%s)"); `fullSize` is the picture's real size
// whenever the header could be read, also when `image` holds a reduced decode.
struct PictureResult
{
    bool ok = false;
    QImage image;
    QSize fullSize;
    QString error;
    // The caller gave up on this load before it finished (no error text).
    bool cancelled = false;
    // libjpeg's message number for a JPEG failure, 0 otherwise.
    int jpegCode = 0;
    // Where the pixels came from: a decode of the picture, the thumbnail a
    // camera embedded, or the shared thumbnail cache.
    enum class Source { Decoded, Embedded, Cached };
    Source source = Source::Decoded;
};

// Reads picture files by extension, ignoring case: "jpg", "jpeg", "jpe" and
// "jfif" through libjpeg, "avif" through libavif, "bmp", "ico", "png", "webp"
// and (when switched on) "gif" through Qt's readers, reduced and partial WebP
// reads through libwebp. Any other extension ("wmf", "emf" among them) has
// no decoder here. Paths are the file system's bytes. Every function may run on any thread; none
// ever throws or exits.
//
// A picture whose header claims more than the pixel limit is refused before
// any pixel buffer exists. `cancel`, when given, is polled while decoding; a
// load that sees it set stops and reports `cancelled`.
class PictureLoader
{
public:
    enum class Format { None, Jpeg, Bmp, Ico, Png, Gif, WebP, Avif };
    // What a load reads: the header alone, a reduction covering a box, the
    // whole picture, or the top-left box at full scale.
    enum class Mode { Header, Cover, Full, TopLeft };

    // Width and height from the header alone; no pixels are decoded.
    static PictureResult readSize(const QByteArray &path);
    // The smallest reduction whose size still covers `box` in both directions;
    // full size when nothing smaller does. JPEG, BMP and ICO reduce by 1, 1/2,
    // 1/4 or 1/8; WebP is reduced by a whole factor as libwebp decodes it;
    // PNG, GIF and AVIF are decoded whole and scaled down by a whole factor.
    // For every format but JPEG and WebP, which read a corner on their own at
    // little cost (see decodesParts), `corner` (when given) receives the
    // top-left `box` at full scale from the same decode.
    static PictureResult decodeToCover(const QByteArray &path, QSize box,
                                       const std::atomic_bool *cancel = nullptr,
                                       QImage *corner = nullptr);
    static PictureResult decodeFull(const QByteArray &path,
                                    const std::atomic_bool *cancel = nullptr);
    // The thumbnail a camera embedded in a JPEG's Exif block, cut to the
    // picture's shape, with `fullSize` from the picture's header. Not `ok`
    // (and no error text) when the file has no usable thumbnail.
    static PictureResult readThumbnail(const QByteArray &path,
                                       const std::atomic_bool *cancel = nullptr);
    // The embedded thumbnail when it covers `box`, otherwise decodeToCover.
    static PictureResult decodeThumbnailOrCover(const QByteArray &path, QSize box,
                                                const std::atomic_bool *cancel = nullptr);
    // Only the top-left `box` of the picture at full scale; a JPEG decodes just
    // the rows (and, where it can, the columns) that the box needs.
    static PictureResult decodeTopLeft(const QByteArray &path, QSize box,
                                       const std::atomic_bool *cancel = nullptr);

    // Largest picture (width × height) that is decoded; 100 megapixels unless set.
    static void setMaxPixels(qint64 pixels);
    static qint64 maxPixels();
    // GIF pictures are decoded (their first frame) only when switched on;
    // otherwise a ".gif" has no decoder, though readSize still reads its size.
    static void setGifDecoding(bool on);
    static bool gifDecoding();
    // JPEGs are turned upright by their Exif orientation when switched on:
    // every load but readSize, whose stored size the crawl's checks read,
    // gives the turned pixels and the turned fullSize.
    static void setUprightDisplay(bool on);
    static bool uprightDisplay();
    // Loads that decoded a picture's pixels in this process (header reads and
    // embedded thumbnails not counted).
    static quint64 pixelDecodes();

    // What a file's first bytes really are, whatever its name says: a
    // picture format with its MIME type, or Format::None and a short word for
    // the log ("text/html", "text/plain", "empty", "unknown").
    struct Sniffed
    {
        Format format = Format::None;
        QString what;
    };
    static Sniffed sniff(QByteArrayView firstBytes);

    static Format formatOf(const QByteArray &path);
    // The format decodes a part of a picture (a corner, a reduced scale)
    // without decoding all of it.
    static bool decodesParts(Format format);
    // The extension as written (without the dot), empty when there is none.
    static QByteArray extensionOf(const QByteArray &path);

    static QString cannotOpenText(const QByteArray &path);
    static QString noDecoderText(const QByteArray &path);
    static QString jpegErrorText(int code);
    // The Qt image-format plugin for `formatName` ("webp") is not installed.
    static QString noPluginText(const QByteArray &path, const QByteArray &formatName);
};
