// Picture files of any shape through the loader, every format: no crash, no
// exit from a library, no allocation beyond the pixel limit, a text for every failure.
#include "picture/pictureloader.h"

#include <QCoreApplication>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <unistd.h>

namespace {
QByteArray g_base;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Qt's image readers find their plugins through an application object.
    static QCoreApplication app(*argc, *argv);
    g_base = QByteArray("/tmp/fuzz_pictureloader_") + QByteArray::number(qint64(getpid()));
    // Small enough that a full decode stays well inside the fuzzer's memory.
    PictureLoader::setMaxPixels(4'000'000);
    PictureLoader::setGifDecoding(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the extension, so the decoder; the rest is the file.
    static const char *const extensions[] = {".jpg", ".JPEG", ".bmp",  ".ico",
                                             ".png", ".gif",  ".webp", ".avif"};
    const QByteArray path = g_base + extensions[data[0] % 8];
    FILE *file = std::fopen(path.constData(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    const PictureResult header = PictureLoader::readSize(path);
    const PictureResult cover = PictureLoader::decodeToCover(path, QSize(64, 48));
    const PictureResult corner = PictureLoader::decodeTopLeft(path, QSize(64, 48));
    const PictureResult full = PictureLoader::decodeFull(path);
    const PictureResult thumbnail = PictureLoader::decodeThumbnailOrCover(path, QSize(64, 48));
    if (thumbnail.ok && thumbnail.image.isNull())
        __builtin_trap();
    for (const PictureResult *r : {&header, &cover, &corner, &full}) {
        if (!r->ok && r->error.isEmpty())
            __builtin_trap(); // a failure without its text
        if (r->ok && r != &header && r->image.isNull())
            __builtin_trap(); // success without a picture
        if (r->ok && qint64(r->image.width()) * r->image.height() > PictureLoader::maxPixels())
            __builtin_trap();
    }
    if (full.ok && full.image.size() != full.fullSize)
        __builtin_trap();
    ::unlink(path.constData());
    return 0;
}
