#include "jpegdecoder.h"

#include <csetjmp>
#include <memory>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace {

// A progressive file may hold any number of scans, each a pass over the whole
// picture; past this many the file is refused instead of decoded for minutes.
constexpr int MaxScans = 500;

// Everything libjpeg touches lives here, on the heap, so that a longjmp out of
// the library never skips a C++ destructor nor finds a stale register copy.
struct Session
{
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errorManager{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jump{};
    const std::atomic_bool *cancel = nullptr;
    bool cancelled = false;
    bool created = false;
    int failCode = 0;
    QImage image;
};

Session *sessionOf(j_common_ptr cinfo)
{
    return static_cast<Session *>(cinfo->client_data);
}

// libjpeg's own handler prints and calls exit(); this one returns to decode().
[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    Session *s = sessionOf(cinfo);
    s->failCode = cinfo->err->msg_code;
    std::longjmp(s->jump, 1);
}

void silentMessage(j_common_ptr) {}

void progressMonitor(j_common_ptr cinfo)
{
    Session *s = sessionOf(cinfo);
    if (s->cancel != nullptr && s->cancel->load(std::memory_order_relaxed)) {
        s->cancelled = true;
        std::longjmp(s->jump, 1);
    }
    if (cinfo->is_decompressor) {
        auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > MaxScans) {
            s->failCode = JERR_BAD_PROGRESSION;
            std::longjmp(s->jump, 1);
        }
    }
}

bool isCmyk(const jpeg_decompress_struct &cinfo)
{
    return cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
}

// Picks the smallest power-of-two reduction that still covers the box.
void chooseCoverScale(jpeg_decompress_struct *cinfo, QSize box)
{
    for (unsigned denom : {8u, 4u, 2u}) {
        cinfo->scale_num = 1;
        cinfo->scale_denom = denom;
        jpeg_calc_output_dimensions(cinfo);
        if (int(cinfo->output_width) >= box.width() && int(cinfo->output_height) >= box.height())
            return;
    }
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
}

// Adobe writes CMYK inverted, as nearly every CMYK JPEG in the wild is.
void cmykRowToRgb32(const JSAMPLE *in, uchar *out, JDIMENSION width)
{
    auto *pixel = reinterpret_cast<QRgb *>(out);
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        const int k = in[3];
        pixel[x] = qRgb(in[0] * k / 255, in[1] * k / 255, in[2] * k / 255);
    }
}

// Runs libjpeg. Only plain data is created between setjmp and the calls.
bool run(Session *s, FILE *file, const JpegDecoder::Request &request)
{
    if (setjmp(s->jump) != 0)
        return false;

    jpeg_decompress_struct *cinfo = &s->cinfo;
    jpeg_create_decompress(cinfo);
    s->created = true;
    jpeg_stdio_src(cinfo, file);
    jpeg_read_header(cinfo, TRUE);

    if (request.mode == PictureLoader::Mode::Header)
        return true;
    const qint64 pixels = qint64(cinfo->image_width) * qint64(cinfo->image_height);
    if (pixels > request.maxPixels) {
        s->failCode = JERR_IMAGE_TOO_BIG;
        return false;
    }
    // The library's own buffers (whole-picture coefficients of a progressive
    // file) stay within what the largest accepted picture would need.
    cinfo->mem->max_memory_to_use = long(request.maxPixels) * 4;

    const bool cmyk = isCmyk(*cinfo);
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    if (request.mode == PictureLoader::Mode::Cover)
        chooseCoverScale(cinfo, request.box);
    jpeg_start_decompress(cinfo);

    JDIMENSION rows = cinfo->output_height;
    if (request.mode == PictureLoader::Mode::TopLeft) {
        // One iMCU past the box: at the crop's edge the chroma is upsampled as
        // at a picture's edge, which a full decode does not do. The surplus
        // columns are trimmed, so the corner equals a full decode's pixels.
        const int imcu = cinfo->max_h_samp_factor * DCTSIZE;
        JDIMENSION x = 0;
        JDIMENSION width =
            JDIMENSION(qBound(1, request.box.width() + imcu, int(cinfo->output_width)));
        jpeg_crop_scanline(cinfo, &x, &width);
        rows = JDIMENSION(qBound(1, request.box.height(), int(cinfo->output_height)));
    }
    s->image = QImage(int(cinfo->output_width), int(rows), QImage::Format_RGB32);
    if (s->image.isNull()) {
        s->failCode = JERR_OUT_OF_MEMORY;
        jpeg_abort_decompress(cinfo);
        return false;
    }

    JSAMPARRAY cmykRow = nullptr;
    if (cmyk)
        cmykRow = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              cinfo->output_width * 4, 1);
    constexpr int Batch = 16;
    JSAMPROW pointers[Batch];
    while (cinfo->output_scanline < rows) {
        if (s->cancel != nullptr && s->cancel->load(std::memory_order_relaxed)) {
            s->cancelled = true;
            return false;
        }
        const JDIMENSION y = cinfo->output_scanline;
        JDIMENSION read = 0;
        if (cmyk) {
            read = jpeg_read_scanlines(cinfo, cmykRow, 1);
            if (read == 1)
                cmykRowToRgb32(cmykRow[0], s->image.scanLine(int(y)), cinfo->output_width);
        } else {
            const int count = int(qMin<JDIMENSION>(Batch, rows - y));
            for (int i = 0; i < count; ++i)
                pointers[i] = s->image.scanLine(int(y) + i);
            read = jpeg_read_scanlines(cinfo, pointers, JDIMENSION(count));
        }
        // A file source never suspends; no progress would mean a loop forever.
        if (read == 0) {
            s->failCode = JERR_INPUT_EMPTY;
            return false;
        }
    }
    if (rows < cinfo->output_height)
        jpeg_abort_decompress(cinfo);
    else
        jpeg_finish_decompress(cinfo);
    return true;
}

} // namespace

PictureResult JpegDecoder::decode(FILE *file, const Request &request)
{
    auto s = std::make_unique<Session>();
    s->cancel = request.cancel;
    s->cinfo.err = jpeg_std_error(&s->errorManager);
    s->errorManager.error_exit = errorExit;
    s->errorManager.output_message = silentMessage;
    s->cinfo.client_data = s.get();
    s->progress.progress_monitor = progressMonitor;
    s->cinfo.progress = &s->progress;

    const bool ok = run(s.get(), file, request);

    PictureResult result;
    if (s->cinfo.image_width > 0 && s->cinfo.image_height > 0)
        result.fullSize = QSize(int(s->cinfo.image_width), int(s->cinfo.image_height));
    if (s->created)
        jpeg_destroy_decompress(&s->cinfo);
    if (ok) {
        result.ok = true;
        if (request.mode == PictureLoader::Mode::TopLeft && s->image.width() > request.box.width())
            result.image = s->image.copy(0, 0, request.box.width(), s->image.height());
        else
            result.image = std::move(s->image);
        return result;
    }
    if (s->cancelled) {
        result.cancelled = true;
        return result;
    }
    result.jpegCode = s->failCode;
    result.error = PictureLoader::jpegErrorText(s->failCode);
    return result;
}
