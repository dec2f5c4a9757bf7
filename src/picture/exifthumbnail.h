#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

// The small JPEG that cameras and phones store in a picture's Exif block: an
// APP1 segment "Exif\0\0" holding a TIFF structure whose second directory
// (IFD1) gives the thumbnail's offset and length. Reading it costs
// microseconds where decoding the picture costs a tenth of a second.
//
// Every offset read from the file is checked against the bytes at hand; a
// damaged block gives no thumbnail, never a read outside them.
namespace ExifThumbnail {

// The Exif block is one of the segments starting in this many first bytes.
constexpr qsizetype SearchBytes = 64 * 1024;

// The whole APP1 segment, marker included, in file offsets.
struct Segment
{
    qint64 start = 0;
    qint64 size = 0;
};

struct Location
{
    qint64 tiffStart = 0; // file offset of the TIFF header; offsets count from here
    quint32 offset = 0;   // of the thumbnail's first byte
    quint32 length = 0;
    bool bigEndian = false;
    qint64 fileOffset() const { return tiffStart + offset; }
};

// The Exif segment among the first bytes of a JPEG file.
std::optional<Segment> findSegment(const QByteArray &head);
// The JPEG thumbnail of an Exif segment (its bytes from the marker on, found
// at `segmentStart` in the file); nothing when there is none or it would lie
// outside the segment.
std::optional<Location> locate(const QByteArray &segment, qint64 segmentStart);
// Both steps over a file held in memory.
std::optional<Location> locateInFile(const QByteArray &file);
// The Orientation tag (1 to 8) of the picture's own directory (IFD0); 1 when
// the segment has none or holds a value outside that range.
int orientation(const QByteArray &segment);

// The part of a thumbnail that shows a picture of `pictureSize`: the whole
// thumbnail when their shapes agree, without its black bars when the camera
// letterboxed the picture into another shape. A null image when neither fits
// (a thumbnail left from before the picture was cropped or turned).
QImage fitToPicture(const QImage &thumbnail, QSize pictureSize);

} // namespace ExifThumbnail
