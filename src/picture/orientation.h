#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// A camera stores a picture as its sensor saw it and notes in the Exif
// Orientation tag (1 to 8) how to turn it upright. These turn pixels and
// sizes both ways: to upright for showing, back to stored for pictures kept
// upright elsewhere (the shared thumbnails) but shown as stored.
namespace Orientation {

// The tag of a JPEG file; 1 for every other file and when there is none.
int ofFile(const QByteArray &path);
// The tag among a JPEG's first bytes (ExifThumbnail::SearchBytes of them).
int ofHead(const QByteArray &head);

inline bool swapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}
inline QSize upright(QSize size, int orientation)
{
    return swapsSides(orientation) ? size.transposed() : size;
}
QImage upright(const QImage &image, int orientation);
QImage stored(const QImage &image, int orientation);

} // namespace Orientation
