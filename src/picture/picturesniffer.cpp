#include "pictureheaders.h"
#include "pictureloader.h"

#include <QtEndian>

namespace {

using Format = PictureLoader::Format;

// "BM" alone is too common a start of text: the DIB header that follows
// must have one of its known sizes.
bool bmpHeader(QByteArrayView bytes)
{
    if (bytes.size() < 18)
        return false;
    const quint32 size = qFromLittleEndian<quint32>(bytes.data() + 14);
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 ||
           size == 124;
}

bool iconCount(QByteArrayView bytes)
{
    return bytes.size() >= 6 && (bytes[4] != 0 || bytes[5] != 0);
}

bool webpForm(QByteArrayView bytes)
{
    return bytes.size() >= 12 && bytes.sliced(8, 4) == "WEBP";
}

struct Signature
{
    Format format;
    QByteArrayView magic;
    const char *mime;
    bool (*check)(QByteArrayView);
};

const Signature Signatures[] = {
    {Format::Jpeg, QByteArrayView("\xFF\xD8\xFF", 3), "image/jpeg", nullptr},
    {Format::Png, QByteArrayView("\x89PNG\r\n\x1A\n", 8), "image/png", nullptr},
    {Format::Gif, QByteArrayView("GIF87a", 6), "image/gif", nullptr},
    {Format::Gif, QByteArrayView("GIF89a", 6), "image/gif", nullptr},
    {Format::WebP, QByteArrayView("RIFF", 4), "image/webp", webpForm},
    {Format::Bmp, QByteArrayView("BM", 2), "image/bmp", bmpHeader},
    {Format::Ico, QByteArrayView("\0\0\1\0", 4), "image/x-icon", iconCount},
    {Format::Avif, QByteArrayView(), "image/avif", PictureHeaders::isAvifFileType},
};

// Text in UTF-8 or, after its byte-order mark, UTF-16 of either order; code
// units past ASCII count as text characters.
class Text
{
public:
    explicit Text(QByteArrayView bytes)
    {
        if (bytes.startsWith("\xEF\xBB\xBF")) {
            bytes = bytes.sliced(3);
        } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
            m_step = 2;
            m_low = bytes[0] == '\xFF' ? 0 : 1;
            bytes = bytes.sliced(2);
        }
        m_bytes = bytes.first(qMin<qsizetype>(bytes.size(), 1024));
    }
    qsizetype count() const { return m_bytes.size() / m_step; }
    // The character at `i` when it is ASCII, 0x100 for any other.
    int at(qsizetype i) const
    {
        const uchar low = uchar(m_bytes[i * m_step + m_low]);
        if (m_step == 2 && m_bytes[i * m_step + 1 - m_low] != 0)
            return 0x100;
        return low;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_step = 1;
    qsizetype m_low = 0;
};

bool blank(int c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

QString describeText(QByteArrayView bytes)
{
    const Text text(bytes);
    qsizetype i = 0;
    while (i < text.count() && blank(text.at(i)))
        ++i;
    // Every kind of markup ("<!doctype", "<html", "<?xml") opens with it.
    if (i < text.count() && text.at(i) == '<')
        return QStringLiteral("text/html");
    qsizetype printable = 0;
    for (i = 0; i < text.count(); ++i) {
        const int c = text.at(i);
        if (c == 0)
            return QStringLiteral("unknown");
        if (c >= 0x80 || (c >= 0x20 && c != 0x7F) || blank(c) || c == 0x1B)
            ++printable;
    }
    return text.count() > 0 && printable * 20 >= text.count() * 19 ? QStringLiteral("text/plain")
                                                                   : QStringLiteral("unknown");
}

} // namespace

PictureLoader::Sniffed PictureLoader::sniff(QByteArrayView firstBytes)
{
    if (firstBytes.isEmpty())
        return {Format::None, QStringLiteral("empty")};
    for (const Signature &signature : Signatures) {
        if (firstBytes.startsWith(signature.magic) &&
            (signature.check == nullptr || signature.check(firstBytes)))
            return {signature.format, QString::fromLatin1(signature.mime)};
    }
    return {Format::None, describeText(firstBytes)};
}
