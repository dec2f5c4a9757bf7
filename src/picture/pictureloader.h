#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>

// What one load produced. On failure `error` holds the text shown to the user
// ("ﾌｧｲﾙ %s は開けません", "拡張子 .%s の画像形式は処理できません",
// "JPEG ｴﾗｰ #%d"); `fullSize` is the picture's real size whenever the header
// could be read, also when `image` holds a reduced decode.
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
};

// Reads picture files by extension, ignoring case: "jpg" and "jpeg" through
// libjpeg, "bmp" and "ico" through Qt's readers. Any other extension ("gif",
// "wmf", "emf" among them) has no decoder here. Paths are the file system's
// bytes. Every function may run on any thread; none ever throws or exits.
//
// A picture whose header claims more than the pixel limit is refused before
// any pixel buffer exists. `cancel`, when given, is polled while decoding; a
// load that sees it set stops and reports `cancelled`.
class PictureLoader
{
public:
    enum class Format { None, Jpeg, Bmp, Ico };
    // What a load reads: the header alone, a reduction covering a box, the
    // whole picture, or the top-left box at full scale.
    enum class Mode { Header, Cover, Full, TopLeft };

    // Width and height from the header alone; no pixels are decoded.
    static PictureResult readSize(const QByteArray &path);
    // The smallest reduction (1, 1/2, 1/4, 1/8 for JPEG) whose size still
    // covers `box` in both directions; full size when nothing smaller does.
    static PictureResult decodeToCover(const QByteArray &path, QSize box,
                                       const std::atomic_bool *cancel = nullptr);
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

    static Format formatOf(const QByteArray &path);
    // The extension as written (without the dot), empty when there is none.
    static QByteArray extensionOf(const QByteArray &path);

    static QString cannotOpenText(const QByteArray &path);
    static QString noDecoderText(const QByteArray &path);
    static QString jpegErrorText(int code);
};
