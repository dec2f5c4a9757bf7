// WebP headers of any shape: no read outside the bytes given; a size only
// when both sides are positive and the canvas fits 32 bits of pixels.
#include "picture/pictureheaders.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QSize> found = PictureHeaders::webpSize(bytes);
    if (found && (found->isEmpty() || qint64(found->width()) * found->height() > 0xFFFFFFFFll))
        __builtin_trap();
    return 0;
}
