#include "jpegdecoder.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <sys/mman.h>

// libjpeg's memory system (the jmemsys.h interface, meant to be replaced for
// a platform): large blocks come from here. A progressive picture keeps all
// its coefficients, 72 MB for 24 megapixels, and faulting that in 4 KB pages
// took half of a first-scan preview. Blocks of several megabytes are mapped
// on their own and asked for huge pages; they go back to the system when
// freed, so nothing stays resident after a decode.
namespace {
constexpr size_t HugeBlock = size_t(8) << 20;
constexpr size_t HugePage = size_t(2) << 20;

size_t mappedLength(size_t size)
{
    return (size + HugePage - 1) & ~(HugePage - 1);
}
} // namespace

extern "C" {
void *jpeg_get_large(j_common_ptr, size_t size)
{
    if (size < HugeBlock)
        return std::malloc(size);
    void *block = mmap(nullptr, mappedLength(size), PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    madvise(block, mappedLength(size), MADV_HUGEPAGE); // a hint; refused is fine
    return block;
}

void jpeg_free_large(j_common_ptr, void *block, size_t size)
{
    if (size < HugeBlock)
        std::free(block);
    else
        munmap(block, mappedLength(size));
}
}

namespace {

// A progressive file may hold any number of scans, each a pass over the whole
// picture; past this many the file is refused instead of decoded for minutes.
constexpr int MaxScans = 500;

// A stdio source that can overwrite two bytes of what it reads: the frame
// height, so that a progressive file is decoded only down to a given row.
struct FileSource
{
    jpeg_source_mgr pub{};
    FILE *file = nullptr;
    qint64 position = 0; // file offset of the next byte read into the buffer
    qint64 patchAt = -1;
    JOCTET patch[2]{};
    JOCTET buffer[16384]{};
};

// Everything libjpeg touches lives here, on the heap, so that a longjmp out of
// the library never skips a C++ destructor nor finds a stale register copy.
struct Session
{
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errorManager{};
    jpeg_progress_mgr progress{};
    FileSource source;
    std::jmp_buf jump{};
    const std::atomic_bool *cancel = nullptr;
    bool cancelled = false;
    bool created = false;
    int failCode = 0;
    QSize fullSize;
    QImage image;
};

Session *sessionOf(j_common_ptr cinfo)
{
    return static_cast<Session *>(cinfo->client_data);
}

void initSource(j_decompress_ptr)
{
}
void termSource(j_decompress_ptr)
{
}

boolean fillInputBuffer(j_decompress_ptr cinfo)
{
    FileSource &src = sessionOf(reinterpret_cast<j_common_ptr>(cinfo))->source;
    size_t count = std::fread(src.buffer, 1, sizeof src.buffer, src.file);
    if (count == 0) {
        if (src.position == 0)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // A truncated file ends as if its end marker had come; libjpeg warns.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src.buffer[0] = 0xFF;
        src.buffer[1] = JPEG_EOI;
        count = 2;
    } else {
        for (int i = 0; i < 2; ++i) {
            const qint64 at = src.patchAt + i;
            if (src.patchAt >= 0 && at >= src.position && at < src.position + qint64(count))
                src.buffer[at - src.position] = src.patch[i];
        }
        src.position += qint64(count);
    }
    src.pub.next_input_byte = src.buffer;
    src.pub.bytes_in_buffer = count;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    FileSource &src = sessionOf(reinterpret_cast<j_common_ptr>(cinfo))->source;
    if (size_t(count) <= src.pub.bytes_in_buffer) {
        src.pub.next_input_byte += count;
        src.pub.bytes_in_buffer -= size_t(count);
        return;
    }
    // Large segments (an Exif block with its thumbnail) are skipped by seeking.
    const long beyond = count - long(src.pub.bytes_in_buffer);
    src.pub.bytes_in_buffer = 0;
    if (std::fseek(src.file, beyond, SEEK_CUR) == 0)
        src.position += beyond;
    else
        std::fseek(src.file, 0, SEEK_END);
}

void useFile(Session *s, FILE *file)
{
    FileSource &src = s->source;
    src.file = file;
    src.pub.init_source = initSource;
    src.pub.fill_input_buffer = fillInputBuffer;
    src.pub.skip_input_data = skipInputData;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = termSource;
    s->cinfo.src = &src.pub;
}

// Starts reading the file again from its first byte.
void rewindFile(Session *s)
{
    std::rewind(s->source.file);
    s->source.position = 0;
    s->source.pub.bytes_in_buffer = 0;
    s->source.pub.next_input_byte = nullptr;
}

quint16 readBigEndian16(FILE *file)
{
    const int high = std::fgetc(file);
    const int low = std::fgetc(file);
    return (high < 0 || low < 0) ? 0 : quint16((high << 8) | low);
}

// The file offset of the frame header's height field, found by walking the
// segments before the first scan; -1 when the walk finds none.
qint64 frameHeightOffset(FILE *file)
{
    std::rewind(file);
    if (std::fgetc(file) != 0xFF || std::fgetc(file) != 0xD8)
        return -1;
    for (int segments = 0; segments < 1000; ++segments) {
        if (std::fgetc(file) != 0xFF)
            return -1;
        int marker = std::fgetc(file);
        while (marker == 0xFF)
            marker = std::fgetc(file);
        if (marker < 0 || marker == JPEG_EOI || marker == 0xDA)
            return -1;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue;
        const long start = std::ftell(file);
        const quint16 length = readBigEndian16(file);
        if (length < 2 || start < 0)
            return -1;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return length >= 8 ? start + 3 : -1;
        if (std::fseek(file, start + length, SEEK_SET) != 0)
            return -1;
    }
    return -1;
}

bool hasEveryDc(const jpeg_decompress_struct &cinfo)
{
    if (cinfo.coef_bits == nullptr)
        return false;
    for (int c = 0; c < cinfo.num_components; ++c) {
        if (cinfo.coef_bits[c][0] < 0)
            return false;
    }
    return true;
}

// libjpeg's own handler prints and calls exit(); this one returns to decode().
[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    Session *s = sessionOf(cinfo);
    s->failCode = cinfo->err->msg_code;
    std::longjmp(s->jump, 1);
}

void silentMessage(j_common_ptr)
{
}

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

bool cancelRequested(Session *s)
{
    if (s->cancel != nullptr && s->cancel->load(std::memory_order_relaxed)) {
        s->cancelled = true;
        return true;
    }
    return false;
}

// A progressive file's corner: the frame is made to end one iMCU row below
// the rows wanted, so every scan decodes only those rows and skips the rest.
// Rows above that edge decode exactly as in the whole picture.
void limitProgressiveRows(Session *s, int rows)
{
    jpeg_decompress_struct *cinfo = &s->cinfo;
    const int imcu = cinfo->max_v_samp_factor * DCTSIZE;
    const qint64 height = (qint64(rows) + imcu - 1) / imcu * imcu + imcu;
    if (height >= qint64(cinfo->image_height) || s->source.file == nullptr)
        return;
    FILE *file = s->source.file;
    const long resume = std::ftell(file);
    const qint64 at = frameHeightOffset(file);
    if (at < 0 || std::fseek(file, at, SEEK_SET) != 0 ||
        readBigEndian16(file) != cinfo->image_height) {
        std::fseek(file, resume, SEEK_SET);
        return;
    }
    jpeg_abort_decompress(cinfo);
    s->source.patchAt = at;
    s->source.patch[0] = JOCTET(height >> 8);
    s->source.patch[1] = JOCTET(height & 0xFF);
    rewindFile(s);
    jpeg_read_header(cinfo, TRUE);
}

// A progressive file holds its 1/8 picture in its first scans, the DC
// coefficients: only those are read, the rest of the file is left alone.
void readFirstScans(Session *s)
{
    jpeg_decompress_struct *cinfo = &s->cinfo;
    for (;;) {
        if (cancelRequested(s))
            std::longjmp(s->jump, 1);
        const int status = jpeg_consume_input(cinfo);
        if (status == JPEG_SUSPENDED) {
            s->failCode = JERR_INPUT_EMPTY;
            std::longjmp(s->jump, 1);
        }
        if (cinfo->input_scan_number > MaxScans) {
            s->failCode = JERR_BAD_PROGRESSION;
            std::longjmp(s->jump, 1);
        }
        if (status == JPEG_REACHED_EOI || (status == JPEG_SCAN_COMPLETED && hasEveryDc(*cinfo)))
            break;
    }
    jpeg_start_output(cinfo, cinfo->input_scan_number);
}

// Runs libjpeg. Only plain data is created between setjmp and the calls.
bool run(Session *s, const JpegDecoder::Request &request, const QByteArray *bytes)
{
    if (setjmp(s->jump) != 0)
        return false;

    jpeg_decompress_struct *cinfo = &s->cinfo;
    jpeg_create_decompress(cinfo);
    s->created = true;
    if (bytes != nullptr)
        jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char *>(bytes->constData()),
                     static_cast<unsigned long>(bytes->size()));
    else
        useFile(s, s->source.file);
    jpeg_read_header(cinfo, TRUE);
    s->fullSize = QSize(int(cinfo->image_width), int(cinfo->image_height));

    if (request.mode == PictureLoader::Mode::Header)
        return true;
    const qint64 pixels = qint64(cinfo->image_width) * qint64(cinfo->image_height);
    if (pixels > request.maxPixels) {
        s->failCode = JERR_IMAGE_TOO_BIG;
        return false;
    }
    const bool corner = request.mode == PictureLoader::Mode::TopLeft;
    if (corner && cinfo->progressive_mode)
        limitProgressiveRows(s, qMax(1, request.box.height()));
    // The library's own buffers (whole-picture coefficients of a progressive
    // file) stay within what the largest accepted picture would need.
    cinfo->mem->max_memory_to_use = long(request.maxPixels) * 4;

    const bool cmyk = isCmyk(*cinfo);
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    if (request.mode == PictureLoader::Mode::Cover)
        chooseCoverScale(cinfo, request.box);
    const bool firstScans = cinfo->progressive_mode && request.mode == PictureLoader::Mode::Cover &&
                            cinfo->scale_denom == 8;
    if (firstScans) {
        cinfo->buffered_image = TRUE;
        // Smoothing guesses AC terms that a 1/8 output never uses.
        cinfo->do_block_smoothing = FALSE;
    }
    jpeg_start_decompress(cinfo);
    if (firstScans)
        readFirstScans(s);

    JDIMENSION rows = cinfo->output_height;
    if (corner) {
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
        if (cancelRequested(s))
            return false;
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
    if (rows < cinfo->output_height || firstScans)
        jpeg_abort_decompress(cinfo);
    else
        jpeg_finish_decompress(cinfo);
    return true;
}

PictureResult decodeWith(FILE *file, const QByteArray *bytes, const JpegDecoder::Request &request)
{
    auto s = std::make_unique<Session>();
    s->cancel = request.cancel;
    s->source.file = file;
    s->cinfo.err = jpeg_std_error(&s->errorManager);
    s->errorManager.error_exit = errorExit;
    s->errorManager.output_message = silentMessage;
    s->cinfo.client_data = s.get();
    s->progress.progress_monitor = progressMonitor;
    s->cinfo.progress = &s->progress;

    const bool ok = run(s.get(), request, bytes);

    PictureResult result;
    if (!s->fullSize.isEmpty())
        result.fullSize = s->fullSize;
    else if (s->cinfo.image_width > 0 && s->cinfo.image_height > 0)
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

} // namespace

PictureResult JpegDecoder::decode(FILE *file, const Request &request)
{
    return decodeWith(file, nullptr, request);
}

PictureResult JpegDecoder::decodeBytes(const QByteArray &bytes, const Request &request)
{
    if (bytes.isEmpty()) {
        PictureResult result;
        result.jpegCode = JERR_INPUT_EMPTY;
        result.error = PictureLoader::jpegErrorText(JERR_INPUT_EMPTY);
        return result;
    }
    return decodeWith(nullptr, &bytes, request);
}
