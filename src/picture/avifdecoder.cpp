#include "avifdecoder.h"

#include "pictureshape.h"

#include <QThread>
#include <QTransform>

#include <climits>
#include <memory>
#include <vector>

#include <avif/avif.h>

#include <cerrno>
#include <unistd.h>

namespace AvifDecoder {

namespace {

// Larger factors could overflow the sums of 16-bit samples; the preview
// scales what is left.
constexpr int MaxShrink = 64;

using ImagePtr = std::unique_ptr<avifImage, decltype(&avifImageDestroy)>;

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
    ImagePtr view(nullptr, avifImageDestroy);
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

// The top-left `box` of an unturned frame. Two more rows and columns are
// converted and cut off again, so that chroma is upsampled at the box's edge
// as it is in the whole picture.
QImage corner(const avifImage *frame, QSize box, avifResult *code)
{
    const QSize coded(int(frame->width), int(frame->height));
    const QImage image = toRgb(frame, coded.boundedTo(box + QSize(2, 2)), code);
    const QSize part = coded.boundedTo(box);
    return image.isNull() || image.size() == part ? image : image.copy(QRect(QPoint(0, 0), part));
}

// Each sample of `to` is the mean of the fx × fy samples of `from` it covers
// (fewer at the right and bottom edges).
template <typename Sample>
void shrinkPlane(const uint8_t *from, uint32_t fromStride, QSize fromSize, uint8_t *to,
                 uint32_t toStride, QSize toSize, int fx, int fy)
{
    std::vector<quint32> sums(size_t(toSize.width()));
    for (int y = 0; y < toSize.height(); ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        const int top = qMin(y * fy, fromSize.height() - 1);
        const int rows = qMin(fy, fromSize.height() - top);
        for (int r = 0; r < rows; ++r) {
            const auto *line =
                reinterpret_cast<const Sample *>(from + size_t(top + r) * fromStride);
            for (int x = 0; x < toSize.width(); ++x) {
                const int left = qMin(x * fx, fromSize.width() - 1);
                const int end = qMin(left + fx, fromSize.width());
                quint32 sum = 0;
                for (int i = left; i < end; ++i)
                    sum += line[i];
                sums[size_t(x)] += sum;
            }
        }
        auto *out = reinterpret_cast<Sample *>(to + size_t(y) * toStride);
        for (int x = 0; x < toSize.width(); ++x) {
            const int left = qMin(x * fx, fromSize.width() - 1);
            const quint32 count = quint32(rows * (qMin(left + fx, fromSize.width()) - left));
            out[x] = Sample((sums[size_t(x)] + count / 2) / count);
        }
    }
}

// The frame made `factor` times smaller in YUV, before any RGB exists: at
// 24 megapixels libavif's conversion to RGB costs about as much as half the
// AV1 decode, while averaging the planes costs a tenth of that. `factor` is
// even (or 1), so that subsampled chroma shrinks by a whole factor too.
ImagePtr shrunk(const avifImage *frame, int factor)
{
    const QSize size(int(frame->width) / factor, int(frame->height) / factor);
    ImagePtr small(avifImageCreate(uint32_t(size.width()), uint32_t(size.height()), frame->depth,
                                   frame->yuvFormat),
                   avifImageDestroy);
    if (!small)
        return small;
    small->yuvRange = frame->yuvRange;
    small->yuvChromaSamplePosition = frame->yuvChromaSamplePosition;
    small->colorPrimaries = frame->colorPrimaries;
    small->transferCharacteristics = frame->transferCharacteristics;
    small->matrixCoefficients = frame->matrixCoefficients;
    small->alphaPremultiplied = frame->alphaPremultiplied;
    const bool alpha = frame->alphaPlane != nullptr;
    if (avifImageAllocatePlanes(small.get(), alpha ? AVIF_PLANES_ALL : AVIF_PLANES_YUV) !=
        AVIF_RESULT_OK)
        return ImagePtr(nullptr, avifImageDestroy);
    avifPixelFormatInfo info;
    avifGetPixelFormatInfo(frame->yuvFormat, &info);
    auto shrink = [&](const uint8_t *from, uint32_t fromStride, uint8_t *to, uint32_t toStride,
                      int shiftX, int shiftY) {
        const QSize fromSize((int(frame->width) + shiftX) >> shiftX,
                             (int(frame->height) + shiftY) >> shiftY);
        const QSize toSize((size.width() + shiftX) >> shiftX, (size.height() + shiftY) >> shiftY);
        if (frame->depth > 8)
            shrinkPlane<quint16>(from, fromStride, fromSize, to, toStride, toSize, factor >> shiftX,
                                 factor >> shiftY);
        else
            shrinkPlane<quint8>(from, fromStride, fromSize, to, toStride, toSize, factor >> shiftX,
                                factor >> shiftY);
    };
    shrink(frame->yuvPlanes[AVIF_CHAN_Y], frame->yuvRowBytes[AVIF_CHAN_Y],
           small->yuvPlanes[AVIF_CHAN_Y], small->yuvRowBytes[AVIF_CHAN_Y], 0, 0);
    if (!info.monochrome) {
        for (int plane : {AVIF_CHAN_U, AVIF_CHAN_V})
            shrink(frame->yuvPlanes[plane], frame->yuvRowBytes[plane], small->yuvPlanes[plane],
                   small->yuvRowBytes[plane], info.chromaShiftX, info.chromaShiftY);
    }
    if (alpha)
        shrink(frame->alphaPlane, frame->alphaRowBytes, small->alphaPlane, small->alphaRowBytes, 0,
               0);
    return small;
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

    const QSize coded(int(frame->width), int(frame->height));
    const QSize box = request.box.expandedTo(QSize(1, 1));
    const bool plain = !isTransformed(frame);
    if (request.mode == PictureLoader::Mode::Cover) {
        int factor = qMin(PictureShape::coverFactor(result.fullSize, box), MaxShrink);
        factor -= factor % 2;
        if (factor >= 2) {
            const ImagePtr small = shrunk(frame, factor);
            QImage cover =
                small ? toRgb(small.get(), QSize(int(small->width), int(small->height)), &code)
                      : QImage();
            if (cover.isNull())
                return fail(small ? code : AVIF_RESULT_OUT_OF_MEMORY);
            if (request.corner != nullptr) {
                *request.corner =
                    plain ? corner(frame, box, &code)
                          : PictureShape::shaped(transformed(toRgb(frame, coded, &code), frame),
                                                 PictureLoader::Mode::TopLeft, box, nullptr);
            }
            result.image = transformed(std::move(cover), frame);
            result.ok = true;
            return result;
        }
    }
    if (request.mode == PictureLoader::Mode::TopLeft && plain) {
        result.image = corner(frame, box, &code);
        if (result.image.isNull())
            return fail(code);
    } else {
        QImage image = toRgb(frame, coded, &code);
        if (image.isNull())
            return fail(code);
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
