#pragma once

#include "pictureloader.h"

// The libavif side of the picture loader. `fd` is an open regular file of
// `fileSize` bytes, read through libavif's IO hooks as it asks; the caller
// keeps and closes it.
namespace AvifDecoder {

struct Request
{
    PictureLoader::Mode mode = PictureLoader::Mode::Full;
    QSize box;
    qint64 maxPixels = 0;
    const std::atomic_bool *cancel = nullptr;
    // For Cover: receives the top-left box from the same decode.
    QImage *corner = nullptr;
    // The size the header gave, when it did: it decides the decoder threads.
    QSize expected;
    QByteArray path; // for the error texts
};

PictureResult decode(int fd, qint64 fileSize, const Request &request);

} // namespace AvifDecoder
