// Exif blocks of any shape: no read outside the bytes given, no thumbnail
// reported that the bytes do not hold, no crash decoding or fitting it.
#include "picture/exifthumbnail.h"
#include "picture/jpegdecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<ExifThumbnail::Location> found = ExifThumbnail::locateInFile(bytes);
    if (!found)
        return 0;
    if (found->fileOffset() < 0 || found->fileOffset() + found->length > qint64(size))
        __builtin_trap();
    JpegDecoder::Request request;
    request.maxPixels = 1'000'000;
    const PictureResult thumbnail =
        JpegDecoder::decodeBytes(bytes.mid(found->fileOffset(), found->length), request);
    // The picture's shape from two bytes of the input, so odd shapes are tried.
    const QSize picture(1 + data[0] * 40, 1 + data[size - 1] * 30);
    const QImage fitted = ExifThumbnail::fitToPicture(thumbnail.image, picture);
    if (!fitted.isNull() &&
        (fitted.width() > thumbnail.image.width() || fitted.height() > thumbnail.image.height()))
        __builtin_trap();
    return 0;
}
