#pragma once

#include "pictureloader.h"

// The libwebp side of the picture loader, for the reduced and partial reads
// that Qt's WebP reader cannot do: a Cover read decodes straight into the
// reduced size (libwebp scales while it converts the rows, so no whole-size
// buffer is made), a TopLeft read crops and stops after the last row it
// needs. `fd` is an open regular file of `fileSize` bytes; the caller keeps
// and closes it.
namespace WebpDecoder {

struct Request
{
    PictureLoader::Mode mode = PictureLoader::Mode::Cover;
    QSize box;
    QSize fullSize; // from the header
    const std::atomic_bool *cancel = nullptr;
    QByteArray path; // for the error texts
};

PictureResult decode(int fd, qint64 fileSize, const Request &request);

} // namespace WebpDecoder
