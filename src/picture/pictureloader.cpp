#include "pictureloader.h"

#include "avifdecoder.h"
#include "exifthumbnail.h"
#include "jpegdecoder.h"
#include "orientation.h"
#include "pictureheaders.h"
#include "pictureshape.h"
#include "webpdecoder.h"

#include <QFile>
#include <QImageReader>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<qint64> g_maxPixels{100'000'000};
std::atomic_bool g_gifDecoding{false};
std::atomic_bool g_upright{false};
std::atomic<quint64> g_pixelDecodes{0};

using Mode = PictureLoader::Mode;
using Format = PictureLoader::Format;

// Larger AVIF files are refused before libavif sees them.
constexpr qint64 MaxAvifFileBytes = qint64(1) << 30;

// Opens a regular file for reading. A FIFO or device named like a picture
// would block or never end, so only regular files are accepted.
int openRegularFile(const QByteArray &path)
{
    if (path.isEmpty() || path.contains('\0'))
        return -1;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

PictureResult failure(const QString &text)
{
    PictureResult result;
    result.error = text;
    return result;
}

PictureResult loadJpeg(const QByteArray &path, Mode mode, QSize box, const std::atomic_bool *cancel)
{
    const int fd = openRegularFile(path);
    FILE *file = fd < 0 ? nullptr : ::fdopen(fd, "rb");
    if (file == nullptr) {
        if (fd >= 0)
            ::close(fd);
        return failure(PictureLoader::cannotOpenText(path));
    }
    JpegDecoder::Request request;
    request.mode = mode;
    request.box = box;
    request.maxPixels = g_maxPixels.load();
    request.cancel = cancel;
    PictureResult result = JpegDecoder::decode(file, request);
    std::fclose(file);
    return result;
}

// A JPEG turned upright by its Exif orientation. The box is turned the other
// way for the decode, so that the reduction still covers it once upright; a
// top-left box of the upright picture is another corner of the stored one,
// so that mode decodes the whole picture.
PictureResult loadJpegUpright(const QByteArray &path, Mode mode, QSize box,
                              const std::atomic_bool *cancel)
{
    const int orientation = Orientation::ofFile(path);
    if (orientation == 1)
        return loadJpeg(path, mode, box, cancel);
    const bool corner = mode == Mode::TopLeft;
    PictureResult result =
        loadJpeg(path, corner ? Mode::Full : mode,
                 Orientation::swapsSides(orientation) ? box.transposed() : box, cancel);
    result.fullSize = Orientation::upright(result.fullSize, orientation);
    if (!result.ok || result.image.isNull())
        return result;
    result.image = Orientation::upright(result.image, orientation);
    if (corner)
        result.image = result.image.copy(0, 0, qMin(result.image.width(), qMax(1, box.width())),
                                         qMin(result.image.height(), qMax(1, box.height())));
    return result;
}

// Halves the picture while the half still covers the box, at most three
// times: the same reductions a JPEG gets from its DCT.
QImage reduceToCover(const QImage &image, QSize box)
{
    int factor = 1;
    while (factor < 8 && image.width() / (factor * 2) >= box.width() &&
           image.height() / (factor * 2) >= box.height())
        factor *= 2;
    if (factor == 1)
        return image;
    return image.scaled(image.width() / factor, image.height() / factor, Qt::IgnoreAspectRatio,
                        Qt::SmoothTransformation);
}

// Qt's reader of BMP and ICO, as it has always read them.
PictureResult loadWithQt(const QByteArray &path, PictureLoader::Format format, Mode mode, QSize box,
                         QImage *corner)
{
    const int fd = openRegularFile(path);
    if (fd < 0)
        return failure(PictureLoader::cannotOpenText(path));
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failure(PictureLoader::cannotOpenText(path));
    }
    QImageReader reader(&file, format == PictureLoader::Format::Bmp ? QByteArrayLiteral("bmp")
                                                                    : QByteArrayLiteral("ico"));
    const qint64 limit = g_maxPixels.load();
    reader.setAllocationLimit(int(qMin<qint64>(limit * 4 / (1024 * 1024) + 1, 1 << 30)));
    PictureResult result;
    const QSize size = reader.size();
    if (size.isValid()) {
        result.fullSize = size;
        if (qint64(size.width()) * size.height() > limit) {
            result.error = PictureLoader::cannotOpenText(path);
            return result;
        }
        if (mode == Mode::Header) {
            result.ok = true;
            return result;
        }
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        result.error = PictureLoader::cannotOpenText(path);
        return result;
    }
    result.fullSize = image.size();
    if (mode == Mode::Header) {
        result.ok = true;
        return result;
    }
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                            : QImage::Format_RGB32);
    if (mode == Mode::Cover && corner != nullptr)
        *corner = PictureShape::shaped(image, Mode::TopLeft, box, nullptr);
    if (mode == Mode::Cover)
        image = reduceToCover(image, box);
    else if (mode == Mode::TopLeft)
        image = image.copy(0, 0, qMin(image.width(), qMax(1, box.width())),
                           qMin(image.height(), qMax(1, box.height())));
    result.ok = true;
    result.image = std::move(image);
    return result;
}

class FileHandle
{
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// Up to `count` bytes at `offset` of an open file.
QByteArray preadBytes(int fd, qint64 offset, qint64 count)
{
    QByteArray bytes;
    if (offset < 0 || count <= 0)
        return bytes;
    bytes.resize(qsizetype(count));
    qint64 done = 0;
    while (done < count) {
        const ssize_t n =
            ::pread(fd, bytes.data() + done, size_t(count - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    bytes.resize(qsizetype(done));
    return bytes;
}

// The size from the header readers, which read the first few kilobytes (and,
// for an AVIF file whose meta box lies further in, that box).
std::optional<QSize> headerSize(int fd, Format format)
{
    const QByteArray head = preadBytes(fd, 0, PictureHeaders::HeadBytes);
    switch (format) {
    case Format::Png:
        return PictureHeaders::pngSize(head);
    case Format::Gif:
        return PictureHeaders::gifSize(head);
    case Format::WebP:
        return PictureHeaders::webpSize(head);
    case Format::Avif:
        return PictureHeaders::avifSize([fd, &head](qint64 offset, qint64 length) {
            if (offset >= 0 && length >= 0 && offset + length <= head.size())
                return head.mid(offset, length);
            return preadBytes(fd, offset, length);
        });
    case Format::None:
    case Format::Jpeg:
    case Format::Bmp:
    case Format::Ico:
        break;
    }
    return std::nullopt;
}

QByteArray qtFormatName(Format format)
{
    switch (format) {
    case Format::Png:
        return QByteArrayLiteral("png");
    case Format::Gif:
        return QByteArrayLiteral("gif");
    case Format::WebP:
        return QByteArrayLiteral("webp");
    default:
        return {};
    }
}

// WebP (and GIF) come from plugins, which a system may lack.
bool hasQtReader(const QByteArray &name)
{
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    return formats.contains(name);
}

// A PNG, GIF or WebP through Qt's reader, its size already known from the header.
PictureResult decodeWithQt(const QByteArray &path, int fd, Format format, Mode mode, QSize box,
                           QImage *corner, PictureResult result)
{
    const QByteArray name = qtFormatName(format);
    if (!hasQtReader(name)) {
        result.error = PictureLoader::noPluginText(path, name);
        return result;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        result.error = PictureLoader::cannotOpenText(path);
        return result;
    }
    QImageReader reader(&file, name);
    reader.setAllocationLimit(
        int(qMin<qint64>(g_maxPixels.load() * 4 / (1024 * 1024) + 1, 1 << 30)));
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        result.error = PictureLoader::cannotOpenText(path);
        return result;
    }
    result.fullSize = image.size(); // the pixels decide
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                            : QImage::Format_RGB32);
    result.image = PictureShape::shaped(std::move(image), mode, box, corner);
    result.ok = true;
    return result;
}

// A WebP reduced or cut by libwebp as it decodes; a whole picture (and a
// reduction that also wants the corner from the same decode) goes to Qt.
bool reducedWebp(QSize full, Mode mode, QSize box, const QImage *corner)
{
    if (mode == Mode::TopLeft)
        return box.width() < full.width() || box.height() < full.height();
    return mode == Mode::Cover && corner == nullptr && PictureShape::coverSize(full, box) != full;
}

bool cancelled(const std::atomic_bool *cancel, PictureResult *result)
{
    if (cancel == nullptr || !cancel->load())
        return false;
    result->ok = false;
    result->cancelled = true;
    result->error.clear();
    result->image = QImage();
    return true;
}

// PNG, GIF, WebP and AVIF: the size from the header first, checked against
// the pixel limit before any decoder runs.
PictureResult loadWhole(const QByteArray &path, Format format, Mode mode, QSize box,
                        const std::atomic_bool *cancel, QImage *corner)
{
    // A GIF still has its size read when it is not decoded; failing that,
    // it answers as it always has, as a format without a decoder.
    const bool gifOff = format == Format::Gif && !g_gifDecoding.load();
    if (gifOff && mode != Mode::Header)
        return failure(PictureLoader::noDecoderText(path));
    const QString unreadable =
        gifOff ? PictureLoader::noDecoderText(path) : PictureLoader::cannotOpenText(path);
    const FileHandle file(openRegularFile(path));
    if (file.fd() < 0)
        return failure(unreadable);
    PictureResult result;
    const std::optional<QSize> size = headerSize(file.fd(), format);
    if (size)
        result.fullSize = *size;
    // An AVIF file the header reader cannot measure (a sequence without a
    // primary item) is parsed by libavif, which reads no pixels for it either.
    if (mode == Mode::Header && (size || format != Format::Avif)) {
        result.ok = size.has_value();
        if (!result.ok)
            result.error = unreadable;
        return result;
    }
    if (size && qint64(size->width()) * size->height() > g_maxPixels.load()) {
        result.error = PictureLoader::cannotOpenText(path);
        return result;
    }
    if (cancelled(cancel, &result))
        return result;
    if (format == Format::WebP && size && reducedWebp(*size, mode, box, corner)) {
        WebpDecoder::Request request;
        request.mode = mode;
        request.box = box;
        request.fullSize = *size;
        request.cancel = cancel;
        request.path = path;
        struct stat st
        {
        };
        if (::fstat(file.fd(), &st) != 0)
            return failure(unreadable);
        return WebpDecoder::decode(file.fd(), st.st_size, request);
    }
    if (format != Format::Avif) {
        result = decodeWithQt(path, file.fd(), format, mode, box, corner, result);
        cancelled(cancel, &result);
        return result;
    }
    struct stat st
    {
    };
    if (::fstat(file.fd(), &st) != 0 || st.st_size > MaxAvifFileBytes) {
        result.error = PictureLoader::cannotOpenText(path);
        return result;
    }
    AvifDecoder::Request request;
    request.mode = mode;
    request.box = box;
    request.maxPixels = g_maxPixels.load();
    request.cancel = cancel;
    request.corner = corner;
    request.expected = result.fullSize;
    request.path = path;
    return AvifDecoder::decode(file.fd(), st.st_size, request);
}

PictureResult load(const QByteArray &path, Mode mode, QSize box, const std::atomic_bool *cancel,
                   QImage *corner = nullptr)
{
    const PictureLoader::Format format = PictureLoader::formatOf(path);
    if (mode != Mode::Header && format != PictureLoader::Format::None)
        ++g_pixelDecodes;
    switch (format) {
    case PictureLoader::Format::None:
        return failure(PictureLoader::noDecoderText(path));
    case PictureLoader::Format::Jpeg:
        if (mode != Mode::Header && g_upright.load())
            return loadJpegUpright(path, mode, box, cancel);
        return loadJpeg(path, mode, box, cancel);
    case PictureLoader::Format::Bmp:
    case PictureLoader::Format::Ico:
        break;
    case PictureLoader::Format::Png:
    case PictureLoader::Format::Gif:
    case PictureLoader::Format::WebP:
    case PictureLoader::Format::Avif:
        return loadWhole(path, format, mode, box, cancel, corner);
    }
    if (cancel != nullptr && cancel->load()) {
        PictureResult result;
        result.cancelled = true;
        return result;
    }
    return loadWithQt(path, format, mode, box, corner);
}

// Reads `count` bytes at `offset`; fewer where the file ends.
QByteArray readAt(FILE *file, qint64 offset, qint64 count)
{
    QByteArray bytes;
    if (count <= 0 || std::fseek(file, long(offset), SEEK_SET) != 0)
        return bytes;
    bytes.resize(qsizetype(count));
    bytes.resize(qsizetype(std::fread(bytes.data(), 1, size_t(count), file)));
    return bytes;
}

PictureResult thumbnailOf(FILE *file, const std::atomic_bool *cancel)
{
    PictureResult result;
    JpegDecoder::Request header;
    header.mode = Mode::Header;
    const PictureResult main = JpegDecoder::decode(file, header);
    if (!main.ok || main.fullSize.isEmpty())
        return result;
    result.fullSize = main.fullSize;
    const QByteArray head = readAt(file, 0, ExifThumbnail::SearchBytes);
    const std::optional<ExifThumbnail::Segment> segment = ExifThumbnail::findSegment(head);
    if (!segment)
        return result;
    const QByteArray block = segment->start + segment->size <= head.size()
                                 ? head.mid(segment->start, segment->size)
                                 : readAt(file, segment->start, segment->size);
    const std::optional<ExifThumbnail::Location> found =
        ExifThumbnail::locate(block, segment->start);
    if (!found)
        return result;
    JpegDecoder::Request request;
    request.mode = Mode::Full;
    request.maxPixels = qMin<qint64>(g_maxPixels.load(), 4'000'000);
    request.cancel = cancel;
    const PictureResult thumbnail = JpegDecoder::decodeBytes(
        block.mid(found->fileOffset() - segment->start, found->length), request);
    if (thumbnail.cancelled) {
        result.cancelled = true;
        return result;
    }
    result.image = ExifThumbnail::fitToPicture(thumbnail.image, main.fullSize);
    result.ok = !result.image.isNull();
    result.source = PictureResult::Source::Embedded;
    if (g_upright.load()) {
        const int orientation = Orientation::ofHead(head);
        result.image = Orientation::upright(result.image, orientation);
        result.fullSize = Orientation::upright(result.fullSize, orientation);
    }
    return result;
}

} // namespace

PictureResult PictureLoader::readThumbnail(const QByteArray &path, const std::atomic_bool *cancel)
{
    if (formatOf(path) != Format::Jpeg)
        return {};
    const int fd = openRegularFile(path);
    FILE *file = fd < 0 ? nullptr : ::fdopen(fd, "rb");
    if (file == nullptr) {
        if (fd >= 0)
            ::close(fd);
        return {};
    }
    PictureResult result = thumbnailOf(file, cancel);
    std::fclose(file);
    return result;
}

PictureResult PictureLoader::decodeThumbnailOrCover(const QByteArray &path, QSize box,
                                                    const std::atomic_bool *cancel)
{
    PictureResult thumbnail = readThumbnail(path, cancel);
    if (thumbnail.ok && thumbnail.image.width() >= box.width() &&
        thumbnail.image.height() >= box.height())
        return thumbnail;
    return decodeToCover(path, box, cancel);
}

PictureResult PictureLoader::readSize(const QByteArray &path)
{
    return load(path, Mode::Header, QSize(), nullptr);
}

PictureResult PictureLoader::decodeToCover(const QByteArray &path, QSize box,
                                           const std::atomic_bool *cancel, QImage *corner)
{
    if (corner != nullptr)
        *corner = QImage();
    return load(path, Mode::Cover, box, cancel, corner);
}

PictureResult PictureLoader::decodeFull(const QByteArray &path, const std::atomic_bool *cancel)
{
    return load(path, Mode::Full, QSize(), cancel);
}

PictureResult PictureLoader::decodeTopLeft(const QByteArray &path, QSize box,
                                           const std::atomic_bool *cancel)
{
    return load(path, Mode::TopLeft, box, cancel);
}

void PictureLoader::setMaxPixels(qint64 pixels)
{
    g_maxPixels.store(qMax<qint64>(1, pixels));
}

qint64 PictureLoader::maxPixels()
{
    return g_maxPixels.load();
}

void PictureLoader::setGifDecoding(bool on)
{
    g_gifDecoding.store(on);
}

bool PictureLoader::gifDecoding()
{
    return g_gifDecoding.load();
}

void PictureLoader::setUprightDisplay(bool on)
{
    g_upright.store(on);
}

bool PictureLoader::uprightDisplay()
{
    return g_upright.load();
}

quint64 PictureLoader::pixelDecodes()
{
    return g_pixelDecodes.load();
}

QByteArray PictureLoader::extensionOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const qsizetype dot = path.lastIndexOf('.');
    if (dot < 0 || dot < slash)
        return {};
    return path.mid(dot + 1);
}

PictureLoader::Format PictureLoader::formatOf(const QByteArray &path)
{
    const QByteArray ext = extensionOf(path).toLower();
    static const std::pair<const char *, Format> extensions[] = {
        {"jpg", Format::Jpeg},  {"jpeg", Format::Jpeg}, {"jpe", Format::Jpeg},
        {"jfif", Format::Jpeg}, {"bmp", Format::Bmp},   {"ico", Format::Ico},
        {"png", Format::Png},   {"gif", Format::Gif},   {"webp", Format::WebP},
        {"avif", Format::Avif},
    };
    for (const auto &[name, format] : extensions) {
        if (ext == name)
            return format;
    }
    return Format::None;
}

bool PictureLoader::decodesParts(Format format)
{
    return format == Format::Jpeg || format == Format::WebP;
}

QString PictureLoader::cannotOpenText(const QByteArray &path)
{
    return QStringLiteral("ﾌｧｲﾙ %1 は開けません").arg(QFile::decodeName(path));
}

QString PictureLoader::noDecoderText(const QByteArray &path)
{
    return QStringLiteral("拡張子 .%1 の画像形式は処理できません")
        .arg(QFile::decodeName(extensionOf(path)));
}

QString PictureLoader::jpegErrorText(int code)
{
    return QStringLiteral("JPEG ｴﾗｰ #%1").arg(code);
}

QString PictureLoader::noPluginText(const QByteArray &path, const QByteArray &formatName)
{
    return QStringLiteral("ﾌｧｲﾙ %1 は開けません (%2 ﾌﾟﾗｸﾞｲﾝがありません)")
        .arg(QFile::decodeName(path), QString::fromLatin1(formatName.toUpper()));
}
