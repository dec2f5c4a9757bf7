#include "avifdecoder.h"

#include "pictureshape.h"

#include <QThread>
#include <QTransform>

#include <climits>
#include <memory>

#include <avif/avif.h>

#include <cerrno>
#include <unistd.h>

namespace AvifDecoder {

namespace {

// libavif asks for byte ranges; each answer stays valid until the next read.
struct FileReader
{
    avifIO io{};
    int fd = -1;
    QByteArray buffer;
};

avifResult readRange(avifIO *io, uint32_t readFlags, uint64_t offset, size_t size, avifROData *out)
{
    auto *reader = static_cast<FileReader *>(io->data);
    if (readFlags != 0 || offset > io->sizeHint)
        return AVIF_RESULT_IO_ERROR;
    const qint64 count = qint64(qMin<quint64>(size, io->sizeHint - offset));
    reader->buffer.resize(count);
    qint64 done = 0;
    while (done < count) {
        const ssize_t n = ::pread(reader->fd, reader->buffer.data() + done, size_t(count - done),
                                  off_t(offset + quint64(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return AVIF_RESULT_IO_ERROR; // the file shrank under us
        done += n;
    }
    out->data = reinterpret_cast<const uint8_t *>(reader->buffer.constData());
    out->size = size_t(count);
    return AVIF_RESULT_OK;
}

QString errorText(avifResult code)
{
    return QStringLiteral("AVIF ｴﾗｰ #%1 (%2)")
        .arg(int(code))
        .arg(QString::fromLatin1(avifResultToString(code)));
}

// AV1 decoding is the cost; dav1d shares a large picture's rows among
// threads, while for a small one starting threads costs more than it saves.
int threadsFor(QSize expected)
{
    const int cores = qBound(1, QThread::idealThreadCount(), 8);
    if (expected.isValid() && qint64(expected.width()) * expected.height() < 1'000'000)
        return 1;
    return cores;
}

// `part` of the decoded frame (its top-left, or all of it) as 8-bit
// RGB32, or ARGB32 premultiplied when the picture has alpha. Any bit depth
// and chroma layout is converted by libavif.
QImage toRgb(const avifImage *image, QSize part, avifResult *code)
{
    std::unique_ptr<avifImage, decltype(&avifImageDestroy)> view(nullptr, avifImageDestroy);
    const avifImage *source = image;
    if (part != QSize(int(image->width), int(image->height))) {
        view.reset(avifImageCreateEmpty());
        const avifCropRect rect{0, 0, uint32_t(part.width()), uint32_t(part.height())};
        if (!view || (*code = avifImageSetViewRect(view.get(), image, &rect)) != AVIF_RESULT_OK)
            return {};
        source = view.get();
    }
    const bool alpha = source->alphaPlane != nullptr;
    QImage out(part, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (out.isNull()) {
        *code = AVIF_RESULT_OUT_OF_MEMORY;
        return {};
    }
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, source);
    rgb.depth = 8;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    rgb.format = AVIF_RGB_FORMAT_BGRA;
#else
    rgb.format = AVIF_RGB_FORMAT_ARGB;
#endif
    // Without an alpha plane libavif writes an opaque alpha byte, as RGB32 wants.
    rgb.alphaPremultiplied = alpha ? AVIF_TRUE : AVIF_FALSE;
    rgb.pixels = out.bits();
    rgb.rowBytes = uint32_t(out.bytesPerLine());
    *code = avifImageYUVToRGB(source, &rgb);
    return *code == AVIF_RESULT_OK ? out : QImage();
}

// The turn ('irot', anticlockwise) and then the mirror ('imir') the file asks for.
QImage transformed(QImage image, const avifImage *frame)
{
    if ((frame->transformFlags & AVIF_TRANSFORM_IROT) != 0 && (frame->irot.angle & 3) != 0)
        image = image.transformed(QTransform().rotate(-90.0 * (frame->irot.angle & 3)));
    if ((frame->transformFlags & AVIF_TRANSFORM_IMIR) != 0)
        image.mirror(frame->imir.mode == 1, frame->imir.mode == 0);
    return image;
}

bool isTransformed(const avifImage *frame)
{
    return (frame->transformFlags & AVIF_TRANSFORM_IMIR) != 0 ||
           ((frame->transformFlags & AVIF_TRANSFORM_IROT) != 0 && (frame->irot.angle & 3) != 0);
}

bool turnsQuarter(const avifImage *frame)
{
    return (frame->transformFlags & AVIF_TRANSFORM_IROT) != 0 && (frame->irot.angle & 1) != 0;
}

bool stop(const Request &request, PictureResult *result)
{
    if (request.cancel == nullptr || !request.cancel->load())
        return false;
    result->cancelled = true;
    return true;
}

} // namespace

PictureResult decode(int fd, qint64 fileSize, const Request &request)
{
    PictureResult result;
    auto fail = [&result](avifResult code) {
        result.error = errorText(code);
        return result;
    };
    // Declared before the decoder, which refers to it until destroyed.
    FileReader reader;
    reader.fd = fd;
    reader.io.read = readRange;
    reader.io.sizeHint = quint64(qMax<qint64>(0, fileSize));
    reader.io.persistent = AVIF_FALSE;
    reader.io.data = &reader;
    std::unique_ptr<avifDecoder, decltype(&avifDecoderDestroy)> decoder(avifDecoderCreate(),
                                                                        avifDecoderDestroy);
    if (!decoder)
        return fail(AVIF_RESULT_OUT_OF_MEMORY);
    // Threads are handed to the codec when the file is parsed.
    decoder->maxThreads =
        request.mode == PictureLoader::Mode::Header ? 1 : threadsFor(request.expected);
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    // Pictures from older encoders lack boxes a strict reader insists on;
    // none of them matters for showing the picture.
    decoder->strictFlags = AVIF_STRICT_DISABLED;
    decoder->imageSizeLimit =
        uint32_t(qBound(qint64(1), request.maxPixels, qint64(AVIF_DEFAULT_IMAGE_SIZE_LIMIT)));
    avifDecoderSetIO(decoder.get(), &reader.io);

    avifResult code = avifDecoderParse(decoder.get());
    if (code != AVIF_RESULT_OK)
        return fail(code);
    const avifImage *frame = decoder->image;
    auto sizeOf = [](const avifImage *image) {
        const QSize coded(int(qMin<quint32>(image->width, INT_MAX)),
                          int(qMin<quint32>(image->height, INT_MAX)));
        return turnsQuarter(image) ? coded.transposed() : coded;
    };
    result.fullSize = sizeOf(frame);
    if (request.mode == PictureLoader::Mode::Header) {
        result.ok = !result.fullSize.isEmpty();
        if (!result.ok)
            return fail(AVIF_RESULT_BMFF_PARSE_FAILED);
        return result;
    }
    auto tooBig = [&request](QSize size) {
        return size.isEmpty() || qint64(size.width()) * size.height() > request.maxPixels;
    };
    if (tooBig(result.fullSize)) {
        result.error = PictureLoader::cannotOpenText(request.path);
        return result;
    }
    if (stop(request, &result))
        return result;
    code = avifDecoderNextImage(decoder.get());
    if (code != AVIF_RESULT_OK)
        return fail(code);
    frame = decoder->image;
    // The coded frame decides; the container's size was only its word.
    result.fullSize = sizeOf(frame);
    if (tooBig(result.fullSize)) {
        result.error = PictureLoader::cannotOpenText(request.path);
        return result;
    }
    if (stop(request, &result))
        return result;

    // A corner of an unturned picture needs only its own rows converted, and
    // two more of each side, so that chroma is upsampled at the corner's
    // edge as it is in the whole picture.
    const QSize coded(int(frame->width), int(frame->height));
    const QSize box = request.box.expandedTo(QSize(1, 1));
    const bool cornerOnly = request.mode == PictureLoader::Mode::TopLeft && !isTransformed(frame);
    QImage image = toRgb(frame, cornerOnly ? coded.boundedTo(box + QSize(2, 2)) : coded, &code);
    if (image.isNull())
        return fail(code);
    if (cornerOnly) {
        const QSize corner = coded.boundedTo(box);
        result.image =
            image.size() == corner ? std::move(image) : image.copy(QRect(QPoint(0, 0), corner));
    } else {
        result.image = PictureShape::shaped(transformed(std::move(image), frame), request.mode,
                                            request.box, request.corner);
    }
    if (stop(request, &result)) {
        result.image = QImage();
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace AvifDecoder
