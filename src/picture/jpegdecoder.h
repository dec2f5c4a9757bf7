#pragma once

#include "pictureloader.h"

#include <cstdio>

// The libjpeg side of the picture loader. `file` is an open regular file; the
// caller keeps ownership and closes it.
namespace JpegDecoder {

struct Request
{
    PictureLoader::Mode mode = PictureLoader::Mode::Full;
    QSize box;
    qint64 maxPixels = 0;
    const std::atomic_bool *cancel = nullptr;
};

PictureResult decode(FILE *file, const Request &request);
// The same over a JPEG held in memory (an embedded thumbnail).
PictureResult decodeBytes(const QByteArray &bytes, const Request &request);

} // namespace JpegDecoder
