#include "pictureheaders.h"

#include <climits>
#include <cstring>
#include <vector>

namespace PictureHeaders {

namespace {

// Bounds-checked little and big endian reads over a byte view.
class Bytes
{
public:
    explicit Bytes(QByteArrayView bytes)
        : m_data(reinterpret_cast<const uchar *>(bytes.data())), m_size(bytes.size())
    {
    }
    bool has(qint64 at, qint64 count) const
    {
        return at >= 0 && count >= 0 && at <= m_size && count <= m_size - at;
    }
    bool equals(qint64 at, const char *text, qint64 count) const
    {
        return has(at, count) && std::memcmp(m_data + at, text, size_t(count)) == 0;
    }
    uchar u8(qint64 at) const { return m_data[at]; }
    quint32 le16(qint64 at) const { return quint32(m_data[at]) | quint32(m_data[at + 1]) << 8; }
    quint32 le24(qint64 at) const { return le16(at) | quint32(m_data[at + 2]) << 16; }
    quint32 le32(qint64 at) const { return le24(at) | quint32(m_data[at + 3]) << 24; }
    quint32 be16(qint64 at) const { return quint32(m_data[at]) << 8 | quint32(m_data[at + 1]); }
    quint32 be32(qint64 at) const { return be16(at) << 16 | be16(at + 2); }
    quint64 be64(qint64 at) const { return quint64(be32(at)) << 32 | be32(at + 4); }
    qint64 size() const { return m_size; }
    QByteArrayView view(qint64 at, qint64 count) const
    {
        return QByteArrayView(reinterpret_cast<const char *>(m_data) + at, count);
    }

private:
    const uchar *m_data;
    qint64 m_size;
};

std::optional<QSize> sized(quint64 width, quint64 height)
{
    if (width < 1 || height < 1 || width > quint64(INT_MAX) || height > quint64(INT_MAX))
        return std::nullopt;
    return QSize(int(width), int(height));
}

constexpr quint32 fourCc(const char (&text)[5])
{
    return quint32(uchar(text[0])) << 24 | quint32(uchar(text[1])) << 16 |
           quint32(uchar(text[2])) << 8 | quint32(uchar(text[3]));
}

// An ISOBMFF box: its type and where it lies. A size of 0 runs to the end of
// the enclosing data.
struct BoxHeader
{
    quint32 type = 0;
    qint64 headerLength = 0;
    qint64 size = 0; // header included; 0 = to the end
};

std::optional<BoxHeader> boxHeader(const Bytes &bytes, qint64 at)
{
    if (!bytes.has(at, 8))
        return std::nullopt;
    BoxHeader box;
    box.type = bytes.be32(at + 4);
    const quint32 size = bytes.be32(at);
    if (size == 1) {
        if (!bytes.has(at, 16) || bytes.be64(at + 8) < 16 ||
            bytes.be64(at + 8) > quint64(LLONG_MAX))
            return std::nullopt;
        box.headerLength = 16;
        box.size = qint64(bytes.be64(at + 8));
    } else {
        if (size != 0 && size < 8)
            return std::nullopt;
        box.headerLength = 8;
        box.size = size;
    }
    return box;
}

struct Box
{
    quint32 type = 0;
    QByteArrayView payload;
};

// The boxes of a parent held whole in memory, in order; stops at the first
// one that does not fit.
class Children
{
public:
    explicit Children(QByteArrayView bytes) : m_bytes(bytes) {}
    bool next(Box *box)
    {
        const std::optional<BoxHeader> header = boxHeader(m_bytes, m_at);
        if (!header)
            return false;
        const qint64 size = header->size == 0 ? m_bytes.size() - m_at : header->size;
        if (!m_bytes.has(m_at, size))
            return false;
        box->type = header->type;
        box->payload = m_bytes.view(m_at + header->headerLength, size - header->headerLength);
        m_at += size;
        return true;
    }

private:
    Bytes m_bytes;
    qint64 m_at = 0;
};

std::optional<Box> child(QByteArrayView parent, quint32 type)
{
    Children children(parent);
    Box box;
    while (children.next(&box)) {
        if (box.type == type)
            return box;
    }
    return std::nullopt;
}

// The primary item's extent among the properties of a meta box's payload
// (version and flags included).
std::optional<QSize> sizeFromMeta(QByteArrayView meta)
{
    if (meta.size() < 4)
        return std::nullopt;
    meta = meta.sliced(4);
    const std::optional<Box> pitm = child(meta, fourCc("pitm"));
    const std::optional<Box> iprp = child(meta, fourCc("iprp"));
    if (!pitm || !iprp)
        return std::nullopt;
    const Bytes primaryBytes(pitm->payload);
    const bool wideId = primaryBytes.has(0, 1) && primaryBytes.u8(0) != 0;
    if (!primaryBytes.has(4, wideId ? 4 : 2))
        return std::nullopt;
    const quint32 primary = wideId ? primaryBytes.be32(4) : primaryBytes.be16(4);

    const std::optional<Box> ipco = child(iprp->payload, fourCc("ipco"));
    if (!ipco)
        return std::nullopt;
    // Associations name properties by their 1-based place in 'ipco', at most
    // 15 bits of it.
    std::vector<Box> properties;
    Children list(ipco->payload);
    Box property;
    while (properties.size() < 0x7FFF && list.next(&property))
        properties.push_back(property);

    std::optional<QSize> extent;
    bool turned = false;
    Children boxes(iprp->payload);
    Box ipma;
    while (boxes.next(&ipma)) {
        if (ipma.type != fourCc("ipma"))
            continue;
        const Bytes map(ipma.payload);
        if (!map.has(0, 8))
            return std::nullopt;
        const bool wideItem = map.u8(0) != 0;
        const bool wideIndex = (map.u8(3) & 1) != 0;
        const quint32 entries = map.be32(4);
        qint64 at = 8;
        for (quint32 entry = 0; entry < entries; ++entry) {
            const qint64 idLength = wideItem ? 4 : 2;
            if (!map.has(at, idLength + 1))
                return std::nullopt;
            const quint32 item = wideItem ? map.be32(at) : map.be16(at);
            const int count = map.u8(at + idLength);
            at += idLength + 1;
            const qint64 step = wideIndex ? 2 : 1;
            if (!map.has(at, count * step))
                return std::nullopt;
            for (int i = 0; item == primary && i < count; ++i) {
                const quint32 index =
                    wideIndex ? map.be16(at + i * step) & 0x7FFF : map.u8(at + i * step) & 0x7F;
                if (index == 0 || index > properties.size())
                    continue;
                const Box &found = properties[index - 1];
                const Bytes payload(found.payload);
                if (found.type == fourCc("ispe") && payload.has(4, 8))
                    extent = sized(payload.be32(4), payload.be32(8));
                else if (found.type == fourCc("irot") && payload.has(0, 1))
                    turned = (payload.u8(0) & 1) != 0;
            }
            at += count * step;
        }
    }
    if (extent && turned)
        extent->transpose();
    return extent;
}

} // namespace

std::optional<QSize> pngSize(QByteArrayView bytes)
{
    const Bytes b(bytes);
    if (!b.equals(0, "\x89PNG\r\n\x1A\n", 8) || !b.has(0, 24) || b.be32(8) != 13 ||
        !b.equals(12, "IHDR", 4))
        return std::nullopt;
    return sized(b.be32(16), b.be32(20));
}

std::optional<QSize> gifSize(QByteArrayView bytes)
{
    const Bytes b(bytes);
    if (!(b.equals(0, "GIF87a", 6) || b.equals(0, "GIF89a", 6)) || !b.has(0, 13))
        return std::nullopt;
    if (b.le16(6) != 0 && b.le16(8) != 0)
        return sized(b.le16(6), b.le16(8));
    // Past the global colour table and any extensions to the first frame.
    const uchar flags = b.u8(10);
    qint64 at = 13 + ((flags & 0x80) != 0 ? 3 << ((flags & 7) + 1) : 0);
    while (b.has(at, 1)) {
        const uchar block = b.u8(at);
        if (block == 0x2C)
            return b.has(at, 10) ? sized(b.le16(at + 5), b.le16(at + 7)) : std::nullopt;
        if (block != 0x21)
            return std::nullopt;
        at += 2; // introducer and label, then sub-blocks up to an empty one
        while (b.has(at, 1) && b.u8(at) != 0)
            at += 1 + b.u8(at);
        at += 1;
    }
    return std::nullopt;
}

std::optional<QSize> webpSize(QByteArrayView bytes)
{
    const Bytes b(bytes);
    if (!b.equals(0, "RIFF", 4) || !b.equals(8, "WEBP", 4))
        return std::nullopt;
    if (b.equals(12, "VP8 ", 4)) {
        // A key frame: its tag's lowest bit clear, then the start code.
        if (!b.has(20, 10) || (b.u8(20) & 1) != 0 || !b.equals(23, "\x9D\x01\x2A", 3))
            return std::nullopt;
        return sized(b.le16(26) & 0x3FFF, b.le16(28) & 0x3FFF);
    }
    if (b.equals(12, "VP8L", 4)) {
        if (!b.has(20, 5) || b.u8(20) != 0x2F)
            return std::nullopt;
        const quint32 bits = b.le32(21);
        if ((bits >> 29) != 0) // version
            return std::nullopt;
        return sized((bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
    }
    if (b.equals(12, "VP8X", 4)) {
        if (!b.has(20, 10))
            return std::nullopt;
        const quint64 width = quint64(b.le24(24)) + 1;
        const quint64 height = quint64(b.le24(27)) + 1;
        // The canvas must fit 32 bits of pixels.
        if (width * height > 0xFFFFFFFFull)
            return std::nullopt;
        return sized(width, height);
    }
    return std::nullopt;
}

bool isAvifFileType(QByteArrayView bytes)
{
    const Bytes b(bytes);
    if (!b.has(0, 16) || !b.equals(4, "ftyp", 4))
        return false;
    const quint32 size = b.be32(0);
    if (size < 16)
        return false;
    // The major brand, then the compatible brands after the minor version.
    const qint64 end = qMin<qint64>(size, b.size());
    for (qint64 at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {
        if (b.equals(at, "avif", 4) || b.equals(at, "avis", 4))
            return true;
    }
    return false;
}

std::optional<QSize> avifSize(const ReadAt &read)
{
    constexpr qint64 MaxMetaBytes = 1 << 20;
    constexpr int MaxTopBoxes = 64;
    constexpr qint64 FileTypeBytes = 256;
    if (!isAvifFileType(read(0, FileTypeBytes)))
        return std::nullopt;
    qint64 at = 0;
    for (int i = 0; i < MaxTopBoxes; ++i) {
        const QByteArray header = read(at, 16);
        const std::optional<BoxHeader> box = boxHeader(Bytes(header), 0);
        if (!box)
            return std::nullopt;
        if (box->type == fourCc("meta")) {
            const qint64 payload = box->size == 0 ? MaxMetaBytes : box->size - box->headerLength;
            if (payload > MaxMetaBytes)
                return std::nullopt;
            const QByteArray meta = read(at + box->headerLength, payload);
            if (box->size != 0 && meta.size() != payload)
                return std::nullopt;
            return sizeFromMeta(meta);
        }
        if (box->size == 0 || box->size > LLONG_MAX - at)
            return std::nullopt;
        at += box->size;
    }
    return std::nullopt;
}

std::optional<QSize> avifSize(QByteArrayView bytes)
{
    return avifSize([bytes](qint64 offset, qint64 length) {
        if (offset < 0 || length <= 0 || offset >= bytes.size())
            return QByteArray();
        return bytes.sliced(offset, qMin(length, bytes.size() - offset)).toByteArray();
    });
}

} // namespace PictureHeaders
