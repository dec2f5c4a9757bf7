#include "orientation.h"

#include "exifthumbnail.h"
#include "pictureloader.h"

#include <QFile>
#include <QFileInfo>
#include <QTransform>

namespace Orientation {

namespace {

QImage rotated(const QImage &image, int degrees)
{
    return image.transformed(QTransform().rotate(degrees));
}

} // namespace

int ofHead(const QByteArray &head)
{
    const std::optional<ExifThumbnail::Segment> segment = ExifThumbnail::findSegment(head);
    if (!segment)
        return 1;
    // The tag sits in the first directory, near the segment's start; a
    // segment running past the bytes at hand is read as far as they go.
    return ExifThumbnail::orientation(head.mid(segment->start, segment->size));
}

int ofFile(const QByteArray &path)
{
    if (PictureLoader::formatOf(path) != PictureLoader::Format::Jpeg)
        return 1;
    // A pipe or device named like a picture would block the read.
    const QString name = QFile::decodeName(path);
    if (!QFileInfo(name).isFile())
        return 1;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return 1;
    return ofHead(file.read(ExifThumbnail::SearchBytes));
}

QImage upright(const QImage &image, int orientation)
{
    switch (orientation) {
    case 2:
        return image.mirrored(true, false);
    case 3:
        return rotated(image, 180);
    case 4:
        return image.mirrored(false, true);
    case 5: // transposed: x and y change places
        return rotated(image, 90).mirrored(true, false);
    case 6:
        return rotated(image, 90);
    case 7: // transversed
        return rotated(image, 90).mirrored(false, true);
    case 8:
        return rotated(image, 270);
    default:
        return image;
    }
}

QImage stored(const QImage &image, int orientation)
{
    // Every turn undoes itself but the quarter turns, which undo each other.
    if (orientation == 6)
        return upright(image, 8);
    if (orientation == 8)
        return upright(image, 6);
    return upright(image, orientation);
}

} // namespace Orientation
