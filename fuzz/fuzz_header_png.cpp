// PNG and GIF headers of any shape: no read outside the bytes given, and a
// size only when both sides are positive.
#include "picture/pictureheaders.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const std::optional<QSize> &found :
         {PictureHeaders::pngSize(bytes), PictureHeaders::gifSize(bytes)}) {
        if (found && found->isEmpty())
            __builtin_trap();
    }
    return 0;
}
