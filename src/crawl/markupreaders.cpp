#include "markupreaders.h"

#include "urlroutines.h"

namespace {

bool isBlank(char c)
{
    return uchar(c) <= ' ';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void appendUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

// Decodes the reference `text` opens with (its "&" first) onto `out`; the
// bytes it took, or 0 when it is none.
qsizetype decodeReference(QByteArrayView text, QByteArray &out)
{
    static constexpr struct
    {
        const char *name;
        char byte;
    } names[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''},
                 {"&AMP;", '&'}, {"&LT;", '<'}, {"&GT;", '>'}, {"&QUOT;", '"'}};
    for (const auto &name : names) {
        if (text.startsWith(name.name)) {
            out.append(name.byte);
            return qsizetype(qstrlen(name.name));
        }
    }
    if (!text.startsWith("&#"))
        return 0;
    const bool hex = text.size() > 2 && (text[2] == 'x' || text[2] == 'X');
    qsizetype i = hex ? 3 : 2;
    const qsizetype first = i;
    char32_t code = 0;
    for (; i < text.size(); ++i) {
        const int digit = hex ? hexValue(text[i]) : (isDigit(text[i]) ? text[i] - '0' : -1);
        if (digit < 0)
            break;
        // Past the last code point the value only has to stay too large.
        code = code > 0x10FFFF ? code : code * (hex ? 16 : 10) + char32_t(digit);
    }
    if (i == first)
        return 0;
    if (i < text.size() && text[i] == ';')
        ++i;
    // As browsers read it: no character, a surrogate or a number past the
    // last code point is the replacement character.
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    appendUtf8(out, code);
    return i;
}

// A srcset descriptor: "<n>w", "<n>x" or "<n>h".
struct Descriptors
{
    qint64 width = -1;
    double density = -1;
    bool valid = true;
};

void readDescriptor(QByteArrayView token, Descriptors &d)
{
    if (token.size() < 2) {
        d.valid = false;
        return;
    }
    const char unit = char(token.back() | 0x20);
    const QByteArrayView number = token.chopped(1);
    if (unit == 'w' || unit == 'h') {
        qint64 value = 0;
        for (char c : number) {
            if (!isDigit(c)) {
                d.valid = false;
                return;
            }
            value = qMin<qint64>(value * 10 + (c - '0'), qint64(1) << 40);
        }
        if (unit == 'w') {
            d.valid = d.valid && d.width < 0 && d.density < 0 && value > 0;
            d.width = value;
        }
        return;
    }
    if (unit != 'x') {
        d.valid = false;
        return;
    }
    // Digits, a point and an exponent only: toDouble alone would also take
    // "inf" and "nan".
    bool digit = false;
    for (char c : number) {
        digit = digit || isDigit(c);
        if (!isDigit(c) && c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-') {
            d.valid = false;
            return;
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    d.valid = d.valid && digit && ok && value >= 0 && d.width < 0 && d.density < 0;
    d.density = value;
}

// Past a quoted CSS string opening at `at`; an unclosed one ends at its line.
qsizetype skipCssString(QByteArrayView css, qsizetype at)
{
    const char quote = css[at];
    qsizetype i = at + 1;
    while (i < css.size() && css[i] != quote && css[i] != '\n')
        i += css[i] == '\\' ? 2 : 1;
    return qMin(i + 1, css.size());
}

// Past a comment opening at `at`; an unclosed one runs to the end.
qsizetype skipCssComment(QByteArrayView css, qsizetype at)
{
    const qsizetype end = css.indexOf("*/", at + 2);
    return end < 0 ? css.size() : end + 2;
}

bool opensComment(QByteArrayView css, qsizetype at)
{
    return css[at] == '/' && at + 1 < css.size() && css[at + 1] == '*';
}

bool isIdentByte(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_' ||
           uchar(c) >= 0x80;
}

// The url(...) addresses of one property's value.
void readCssValue(QByteArrayView value, QList<QByteArrayView> &urls)
{
    qsizetype i = 0;
    while (i < value.size()) {
        const char c = value[i];
        if (c == '"' || c == '\'') {
            i = skipCssString(value, i); // a text, not an address
            continue;
        }
        if (opensComment(value, i)) {
            i = skipCssComment(value, i);
            continue;
        }
        if ((c | 0x20) != 'u' || (i > 0 && isIdentByte(value[i - 1])) || value.size() - i < 4 ||
            !sameName(value.sliced(i, 4), "url(")) {
            ++i;
            continue;
        }
        i += 4;
        while (i < value.size() && isBlank(value[i]))
            ++i;
        if (i < value.size() && (value[i] == '"' || value[i] == '\'')) {
            const qsizetype end = skipCssString(value, i);
            const bool closed = end - 1 > i && value[end - 1] == value[i];
            const QByteArrayView url = value.sliced(i + 1, end - i - 1 - (closed ? 1 : 0));
            if (!TrimBlanks(url).isEmpty())
                urls.append(TrimBlanks(url));
            i = end;
            continue;
        }
        const qsizetype start = i;
        while (i < value.size() && value[i] != ')' && !isBlank(value[i]) && value[i] != '"' &&
               value[i] != '\'')
            ++i;
        if (i > start)
            urls.append(value.sliced(start, i - start));
    }
}

void readCssDeclaration(QByteArrayView declaration, QList<QByteArrayView> &urls)
{
    for (;;) {
        declaration = TrimLeftBlanks(declaration);
        if (declaration.isEmpty() || !opensComment(declaration, 0))
            break;
        declaration = declaration.sliced(skipCssComment(declaration, 0));
    }
    const qsizetype colon = declaration.indexOf(':');
    if (colon < 0)
        return;
    const QByteArrayView property = TrimBlanks(declaration.first(colon));
    if (sameName(property, "background") || sameName(property, "background-image") ||
        sameName(property, "content"))
        readCssValue(declaration.sliced(colon + 1), urls);
}

} // namespace

QByteArrayView decodeEntities(QByteArrayView text, QByteArray &buffer)
{
    qsizetype amp = text.indexOf('&');
    if (amp < 0)
        return text;
    buffer.clear();
    buffer.reserve(text.size());
    qsizetype from = 0;
    while (amp >= 0) {
        buffer.append(text.sliced(from, amp - from));
        qsizetype used = decodeReference(text.sliced(amp), buffer);
        if (used == 0) {
            buffer.append('&');
            used = 1;
        }
        from = amp + used;
        amp = text.indexOf('&', from);
    }
    buffer.append(text.sliced(from));
    return buffer;
}

AttributeReader::AttributeReader(QByteArrayView tag)
{
    qsizetype i = !tag.isEmpty() && tag.front() == '/' ? 1 : 0;
    while (i < tag.size() && !isBlank(tag[i]) && tag[i] != '/')
        ++i;
    m_name = tag.first(i);
    m_rest = tag.sliced(i);
}

bool AttributeReader::next(QByteArrayView &name, QByteArrayView &value)
{
    qsizetype i = 0;
    while (i < m_rest.size() && (isBlank(m_rest[i]) || m_rest[i] == '/'))
        ++i;
    if (i == m_rest.size()) {
        m_rest = QByteArrayView();
        return false;
    }
    // The first byte always belongs to the name, even a "=".
    const qsizetype start = i++;
    while (i < m_rest.size() && !isBlank(m_rest[i]) && m_rest[i] != '/' && m_rest[i] != '=')
        ++i;
    name = m_rest.sliced(start, i - start);
    value = QByteArrayView();
    QByteArrayView rest = TrimLeftBlanks(m_rest.sliced(i));
    if (rest.isEmpty() || rest.front() != '=') {
        m_rest = m_rest.sliced(i);
        return true;
    }
    rest = TrimLeftBlanks(rest.sliced(1));
    if (!rest.isEmpty() && (rest.front() == '"' || rest.front() == '\'')) {
        const qsizetype close = rest.indexOf(rest.front(), 1);
        if (close > 0) {
            value = TrimBlanks(rest.sliced(1, close - 1));
            m_rest = rest.sliced(close + 1);
            return true;
        }
        rest = rest.sliced(1); // never closed: read as if bare, as AttributeValue does
    }
    qsizetype end = 0;
    while (end < rest.size() && !isBlank(rest[end]))
        ++end;
    value = rest.first(end);
    m_rest = rest.sliced(end);
    return true;
}

QByteArrayView largestSrcsetCandidate(QByteArrayView srcset)
{
    QByteArrayView widest;
    qint64 widestWidth = 0;
    QByteArrayView densest;
    double densestDensity = 0;
    bool anyDensity = false;
    QByteArrayView last;

    const qsizetype n = srcset.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && (isBlank(srcset[i]) || srcset[i] == ','))
            ++i;
        if (i >= n)
            break;
        const qsizetype start = i;
        while (i < n && !isBlank(srcset[i]))
            ++i;
        QByteArrayView url = srcset.sliced(start, i - start);
        Descriptors d;
        if (url.endsWith(',')) {
            // A comma right after the address ends the candidate: a
            // "data:" address keeps the commas inside it.
            while (url.endsWith(','))
                url.chop(1);
        } else {
            for (;;) {
                while (i < n && isBlank(srcset[i]))
                    ++i;
                if (i >= n)
                    break;
                if (srcset[i] == ',') {
                    ++i;
                    break;
                }
                const qsizetype tokenStart = i;
                int depth = 0;
                while (i < n && (depth > 0 || (!isBlank(srcset[i]) && srcset[i] != ','))) {
                    if (srcset[i] == '(')
                        ++depth;
                    else if (srcset[i] == ')' && depth > 0)
                        --depth;
                    ++i;
                }
                readDescriptor(srcset.sliced(tokenStart, i - tokenStart), d);
            }
        }
        if (url.isEmpty() || !d.valid)
            continue;
        last = url;
        if (d.width > 0) {
            if (widest.isEmpty() || d.width > widestWidth) {
                widest = url;
                widestWidth = d.width;
            }
            continue;
        }
        anyDensity = anyDensity || d.density >= 0;
        const double density = d.density >= 0 ? d.density : 1.0;
        if (densest.isEmpty() || density > densestDensity) {
            densest = url;
            densestDensity = density;
        }
    }
    if (!widest.isEmpty())
        return widest;
    return anyDensity ? densest : last;
}

QList<QByteArrayView> cssImageURLs(QByteArrayView css)
{
    QList<QByteArrayView> urls;
    qsizetype start = 0;
    qsizetype i = 0;
    int depth = 0;
    while (i < css.size()) {
        const char c = css[i];
        if (c == '"' || c == '\'') {
            i = skipCssString(css, i);
            continue;
        }
        if (opensComment(css, i)) {
            i = skipCssComment(css, i);
            continue;
        }
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            depth = qMax(0, depth - 1);
        } else if (depth == 0 && (c == ';' || c == '{' || c == '}')) {
            readCssDeclaration(css.sliced(start, i - start), urls);
            start = i + 1;
        }
        ++i;
    }
    if (start < css.size())
        readCssDeclaration(css.sliced(start), urls);
    return urls;
}

QByteArrayView contentTypeExtension(QByteArrayView mimeType, ImageTypes types)
{
    static constexpr struct
    {
        const char *type;
        bool ImageTypes::*selected;
        const char *extension;
    } known[] = {
        // nginx serves BMP as image/x-ms-bmp; some servers say image/jpg.
        {"image/jpeg", &ImageTypes::jpeg, ".jpg"},  {"image/jpg", &ImageTypes::jpeg, ".jpg"},
        {"image/pjpeg", &ImageTypes::jpeg, ".jpg"}, {"image/gif", &ImageTypes::gif, ".gif"},
        {"image/bmp", &ImageTypes::bmp, ".bmp"},    {"image/x-ms-bmp", &ImageTypes::bmp, ".bmp"},
        {"image/png", &ImageTypes::png, ".png"},    {"image/webp", &ImageTypes::webp, ".webp"},
        {"image/avif", &ImageTypes::avif, ".avif"}};
    const qsizetype semicolon = mimeType.indexOf(';');
    const QByteArrayView type = TrimBlanks(semicolon < 0 ? mimeType : mimeType.first(semicolon));
    for (const auto &k : known) {
        if (types.*k.selected && sameName(type, k.type))
            return k.extension;
    }
    return QByteArrayView();
}

bool isSelectedPictureType(QByteArrayView mimeType, ImageTypes types)
{
    return !contentTypeExtension(mimeType, types).isEmpty();
}
