#include "webpdecoder.h"

#include "pictureshape.h"

#include <webp/decode.h>

#include <cerrno>
#include <climits>
#include <memory>
#include <unistd.h>

namespace WebpDecoder {

namespace {

// The file is fed to the incremental decoder in pieces of this size, so that
// a cancelled load stops within a few milliseconds.
constexpr qint64 ChunkBytes = 256 * 1024;

struct DecoderDeleter
{
    void operator()(WebPIDecoder *decoder) const { WebPIDelete(decoder); }
};

PictureResult failed(PictureResult result, const QByteArray &path)
{
    result.ok = false;
    result.image = QImage();
    result.error = PictureLoader::cannotOpenText(path);
    return result;
}

bool cancelled(const Request &request, PictureResult *result)
{
    if (request.cancel == nullptr || !request.cancel->load())
        return false;
    result->cancelled = true;
    result->image = QImage();
    return true;
}

bool readAll(int fd, QByteArray *bytes)
{
    qsizetype at = 0;
    while (at < bytes->size()) {
        const ssize_t got = ::pread(fd, bytes->data() + at, size_t(bytes->size() - at), off_t(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        at += got;
    }
    return true;
}

} // namespace

PictureResult decode(int fd, qint64 fileSize, const Request &request)
{
    PictureResult result;
    result.fullSize = request.fullSize;
    const QSize full = request.fullSize;
    if (full.isEmpty() || fileSize <= 0)
        return failed(result, request.path);

    WebPDecoderConfig config;
    if (WebPInitDecoderConfig(&config) == 0)
        return failed(result, request.path);
    QSize out = full;
    if (request.mode == PictureLoader::Mode::Cover) {
        out = PictureShape::coverSize(full, request.box);
        if (out != full) {
            config.options.use_scaling = 1;
            config.options.scaled_width = out.width();
            config.options.scaled_height = out.height();
            // At half size or less the loop filter's and the fancy chroma
            // upsampling's work is averaged away by the reduction: skipping
            // them costs nothing visible and saves a third of the time.
            config.options.bypass_filtering = 1;
            config.options.no_fancy_upsampling = 1;
        }
    } else if (request.mode == PictureLoader::Mode::TopLeft) {
        out = QSize(qMin(full.width(), qMax(1, request.box.width())),
                    qMin(full.height(), qMax(1, request.box.height())));
        config.options.use_cropping = 1;
        config.options.crop_left = 0;
        config.options.crop_top = 0;
        config.options.crop_width = out.width();
        config.options.crop_height = out.height();
    }

    // The first bytes say whether the picture has alpha; the output format
    // follows (premultiplied, as the rest of the program draws it).
    QByteArray head(int(qMin<qint64>(fileSize, 4096)), Qt::Uninitialized);
    if (::pread(fd, head.data(), size_t(head.size()), 0) != head.size() ||
        WebPGetFeatures(reinterpret_cast<const uint8_t *>(head.constData()), size_t(head.size()),
                        &config.input) != VP8_STATUS_OK)
        return failed(result, request.path);
    const bool alpha = config.input.has_alpha != 0;
    QImage image(out, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return failed(result, request.path);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    config.output.colorspace = alpha ? MODE_bgrA : MODE_BGRA;
#else
    config.output.colorspace = alpha ? MODE_Argb : MODE_ARGB;
#endif
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = int(image.bytesPerLine());
    config.output.u.RGBA.size = size_t(image.sizeInBytes());

    if (request.mode == PictureLoader::Mode::TopLeft) {
        // Decoded in one call, which stops after the last row of the crop;
        // the incremental decoder would go on to the bottom.
        QByteArray bytes(int(qMin<qint64>(fileSize, INT_MAX)), Qt::Uninitialized);
        if (fileSize > INT_MAX || !readAll(fd, &bytes) || cancelled(request, &result))
            return result.cancelled ? result : failed(result, request.path);
        if (WebPDecode(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()),
                       &config) != VP8_STATUS_OK)
            return failed(result, request.path);
        result.image = std::move(image);
        result.ok = true;
        return result;
    }
    const std::unique_ptr<WebPIDecoder, DecoderDeleter> decoder(WebPIDecode(nullptr, 0, &config));
    if (!decoder)
        return failed(result, request.path);
    QByteArray chunk(int(qMin(fileSize, ChunkBytes)), Qt::Uninitialized);
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (qint64 at = 0; at < fileSize && status == VP8_STATUS_SUSPENDED;) {
        if (cancelled(request, &result))
            return result;
        const ssize_t got = ::pread(fd, chunk.data(), size_t(chunk.size()), off_t(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        status = WebPIAppend(decoder.get(), reinterpret_cast<const uint8_t *>(chunk.constData()),
                             size_t(got));
        at += got;
    }
    // A cropped read may finish before the end of the file; anything else
    // still waiting for bytes is a cut-off file.
    if (status != VP8_STATUS_OK)
        return failed(result, request.path);
    result.image = std::move(image);
    result.ok = true;
    return result;
}

} // namespace WebpDecoder
