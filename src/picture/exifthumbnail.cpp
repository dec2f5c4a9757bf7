#include "exifthumbnail.h"

#include <QRect>

#include <cmath>
#include <cstring>

namespace ExifThumbnail {

namespace {

constexpr int ExifHeader = 10; // FF E1, length, "Exif\0\0"
constexpr quint16 TagCompression = 0x0103;
constexpr quint16 TagOrientation = 0x0112;
constexpr quint16 TagThumbnailOffset = 0x0201;
constexpr quint16 TagThumbnailLength = 0x0202;
constexpr quint16 CompressionJpeg = 6;
constexpr quint16 TypeShort = 3;
constexpr quint16 TypeLong = 4;

// A TIFF structure in one byte order; every read is bound-checked by the
// caller through `fits`.
class Tiff
{
public:
    Tiff(const uchar *data, qint64 size, bool bigEndian)
        : m_data(data), m_size(size), m_bigEndian(bigEndian)
    {
    }
    bool fits(qint64 at, qint64 count) const
    {
        return at >= 0 && count >= 0 && at <= m_size && count <= m_size - at;
    }
    quint16 u16(qint64 at) const
    {
        const uchar *p = m_data + at;
        return m_bigEndian ? quint16(p[0] << 8 | p[1]) : quint16(p[1] << 8 | p[0]);
    }
    quint32 u32(qint64 at) const
    {
        const uchar *p = m_data + at;
        return m_bigEndian ? quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]
                           : quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
    }
    // The directory at `at`: its entry count, or -1 when it does not fit.
    int entries(qint64 at) const
    {
        if (at < 8 || !fits(at, 2))
            return -1;
        const int count = u16(at);
        return fits(at + 2, qint64(count) * 12 + 4) ? count : -1;
    }
    qint64 size() const { return m_size; }
    const uchar *data() const { return m_data; }
    bool bigEndian() const { return m_bigEndian; }

private:
    const uchar *m_data;
    qint64 m_size;
    bool m_bigEndian;
};

bool isParameterless(int marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

// Share of bar pixels that must be dark, and how dark, for bars to count as
// letterboxing rather than picture.
bool isDark(const QImage &image, const QRect &area)
{
    qint64 dark = 0;
    qint64 total = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            ++total;
            if (qGray(row[x]) <= 40)
                ++dark;
        }
    }
    return total == 0 || dark * 100 >= total * 95;
}

} // namespace

std::optional<Segment> findSegment(const QByteArray &head)
{
    const auto *p = reinterpret_cast<const uchar *>(head.constData());
    const qint64 size = qMin<qint64>(head.size(), SearchBytes);
    if (size < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return std::nullopt;
    qint64 at = 2;
    while (at + 4 <= size) {
        if (p[at] != 0xFF)
            return std::nullopt;
        const int marker = p[at + 1];
        if (marker == 0xFF) {
            ++at; // fill byte
            continue;
        }
        if (isParameterless(marker)) {
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return std::nullopt;
        const int length = p[at + 2] << 8 | p[at + 3];
        if (length < 2)
            return std::nullopt;
        if (marker == 0xE1 && at + ExifHeader <= head.size() &&
            std::memcmp(p + at + 4, "Exif\0\0", 6) == 0)
            return Segment{at, 2 + qint64(length)};
        at += 2 + length;
    }
    return std::nullopt;
}

namespace {

// The TIFF structure of an Exif segment, its header checked.
std::optional<Tiff> tiffOf(const QByteArray &segment)
{
    if (segment.size() < ExifHeader + 8 || std::memcmp(segment.constData() + 4, "Exif\0\0", 6) != 0)
        return std::nullopt;
    const auto *base = reinterpret_cast<const uchar *>(segment.constData()) + ExifHeader;
    bool bigEndian = false;
    if (base[0] == 'M' && base[1] == 'M')
        bigEndian = true;
    else if (base[0] != 'I' || base[1] != 'I')
        return std::nullopt;
    const Tiff tiff(base, segment.size() - ExifHeader, bigEndian);
    if (tiff.u16(2) != 42)
        return std::nullopt;
    return tiff;
}

} // namespace

std::optional<Location> locate(const QByteArray &segment, qint64 segmentStart)
{
    const std::optional<Tiff> found = tiffOf(segment);
    if (!found)
        return std::nullopt;
    const Tiff &tiff = *found;
    const uchar *base = tiff.data();
    const bool bigEndian = tiff.bigEndian();

    const qint64 ifd0 = tiff.u32(4);
    const int count0 = tiff.entries(ifd0);
    if (count0 < 0)
        return std::nullopt;
    const qint64 ifd1 = tiff.u32(ifd0 + 2 + qint64(count0) * 12);
    if (ifd1 == 0 || ifd1 == ifd0)
        return std::nullopt;
    const int count1 = tiff.entries(ifd1);
    if (count1 < 0)
        return std::nullopt;

    std::optional<quint32> offset;
    std::optional<quint32> length;
    std::optional<quint32> compression;
    for (int i = 0; i < count1; ++i) {
        const qint64 entry = ifd1 + 2 + qint64(i) * 12;
        const quint16 tag = tiff.u16(entry);
        const quint16 type = tiff.u16(entry + 2);
        if (type != TypeShort && type != TypeLong)
            continue;
        const quint32 value = type == TypeShort ? tiff.u16(entry + 8) : tiff.u32(entry + 8);
        if (tag == TagThumbnailOffset)
            offset = value;
        else if (tag == TagThumbnailLength)
            length = value;
        else if (tag == TagCompression)
            compression = value;
    }
    if (!offset || !length || (compression && *compression != CompressionJpeg))
        return std::nullopt;
    if (*length < 4 || !tiff.fits(*offset, *length))
        return std::nullopt;
    if (base[*offset] != 0xFF || base[*offset + 1] != 0xD8)
        return std::nullopt;
    return Location{segmentStart + ExifHeader, *offset, *length, bigEndian};
}

int orientation(const QByteArray &segment)
{
    const std::optional<Tiff> found = tiffOf(segment);
    if (!found)
        return 1;
    const Tiff &tiff = *found;
    const qint64 ifd0 = tiff.u32(4);
    const int count = tiff.entries(ifd0);
    for (int i = 0; i < count; ++i) {
        const qint64 entry = ifd0 + 2 + qint64(i) * 12;
        if (tiff.u16(entry) != TagOrientation || tiff.u16(entry + 2) != TypeShort)
            continue;
        const int value = tiff.u16(entry + 8);
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

std::optional<Location> locateInFile(const QByteArray &file)
{
    const std::optional<Segment> segment = findSegment(file.left(SearchBytes));
    if (!segment)
        return std::nullopt;
    return locate(file.mid(segment->start, segment->size), segment->start);
}

QImage fitToPicture(const QImage &thumbnail, QSize pictureSize)
{
    if (thumbnail.isNull() || pictureSize.isEmpty())
        return {};
    const double shapes = (double(thumbnail.width()) / thumbnail.height()) /
                          (double(pictureSize.width()) / pictureSize.height());
    // 160 x 107 for a 3:2 picture is as close as whole pixels come.
    if (std::abs(shapes - 1.0) <= 0.04)
        return thumbnail;

    const QSize inner = pictureSize.scaled(thumbnail.size(), Qt::KeepAspectRatio);
    if (inner.width() < 8 || inner.height() < 8)
        return {};
    const QRect content(
        QPoint((thumbnail.width() - inner.width()) / 2, (thumbnail.height() - inner.height()) / 2),
        inner);
    const QImage image = thumbnail.convertToFormat(QImage::Format_RGB32);
    // The bars, less two pixels beside the picture where compression blurs.
    QRect first;
    QRect second;
    if (inner.width() < thumbnail.width()) {
        first = QRect(0, 0, content.left() - 2, image.height());
        second = QRect(content.right() + 3, 0, image.width() - content.right() - 3, image.height());
    } else {
        first = QRect(0, 0, image.width(), content.top() - 2);
        second =
            QRect(0, content.bottom() + 3, image.width(), image.height() - content.bottom() - 3);
    }
    if (!isDark(image, first) || !isDark(image, second))
        return {};
    return thumbnail.copy(content);
}

} // namespace ExifThumbnail
