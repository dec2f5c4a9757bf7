// AVIF headers and the sniffer over bytes of any shape: no read outside the
// bytes given, the same size whether the boxes are read at once or range by
// range, and a sniffed answer that agrees with the readers.
#include "picture/pictureheaders.h"
#include "picture/pictureloader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QSize> whole = PictureHeaders::avifSize(bytes);
    if (whole && whole->isEmpty())
        __builtin_trap();
    // Each range as a file gives it: a fresh buffer of exactly the bytes
    // asked for, so that a read past it is caught.
    int reads = 0;
    const std::optional<QSize> ranged =
        PictureHeaders::avifSize([&](qint64 offset, qint64 length) -> QByteArray {
            ++reads;
            if (offset < 0 || length <= 0 || offset >= bytes.size())
                return {};
            return bytes.sliced(offset, qMin(length, bytes.size() - offset)).toByteArray();
        });
    if (ranged != whole || reads > 100)
        __builtin_trap();

    const PictureLoader::Sniffed sniffed = PictureLoader::sniff(bytes);
    using Format = PictureLoader::Format;
    if (sniffed.format == Format::Avif && !PictureHeaders::isAvifFileType(bytes))
        __builtin_trap();
    if (whole && sniffed.format == Format::None)
        __builtin_trap();
    const bool picture = sniffed.format != Format::None;
    if (picture != sniffed.what.startsWith(QStringLiteral("image/")))
        __builtin_trap();
    if (!picture && sniffed.what != QStringLiteral("text/html") &&
        sniffed.what != QStringLiteral("text/plain") && sniffed.what != QStringLiteral("empty") &&
        sniffed.what != QStringLiteral("unknown"))
        __builtin_trap();
    return 0;
}
