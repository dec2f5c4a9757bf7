#include "pictureloader.h"

#include "exifthumbnail.h"
#include "jpegdecoder.h"

#include <QFile>
#include <QImageReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<qint64> g_maxPixels{100'000'000};

using Mode = PictureLoader::Mode;

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

PictureResult loadWithQt(const QByteArray &path, PictureLoader::Format format, Mode mode, QSize box)
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
    if (mode == Mode::Cover)
        image = reduceToCover(image, box);
    else if (mode == Mode::TopLeft)
        image = image.copy(0, 0, qMin(image.width(), qMax(1, box.width())),
                           qMin(image.height(), qMax(1, box.height())));
    result.ok = true;
    result.image = std::move(image);
    return result;
}

PictureResult load(const QByteArray &path, Mode mode, QSize box, const std::atomic_bool *cancel)
{
    const PictureLoader::Format format = PictureLoader::formatOf(path);
    switch (format) {
    case PictureLoader::Format::None:
        return failure(PictureLoader::noDecoderText(path));
    case PictureLoader::Format::Jpeg:
        return loadJpeg(path, mode, box, cancel);
    case PictureLoader::Format::Bmp:
    case PictureLoader::Format::Ico:
        break;
    }
    if (cancel != nullptr && cancel->load()) {
        PictureResult result;
        result.cancelled = true;
        return result;
    }
    return loadWithQt(path, format, mode, box);
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
                                           const std::atomic_bool *cancel)
{
    return load(path, Mode::Cover, box, cancel);
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
    if (ext == "jpg" || ext == "jpeg")
        return Format::Jpeg;
    if (ext == "bmp")
        return Format::Bmp;
    if (ext == "ico")
        return Format::Ico;
    return Format::None;
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
