#include "urlroutines.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr bool isAsciiLetter(uchar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr uchar asciiLower(uchar c)
{
    return c >= 'A' && c <= 'Z' ? uchar(c + ('a' - 'A')) : c;
}

qsizetype findByte(QByteArrayView text, char c)
{
    if (text.isEmpty())
        return -1;
    const void *hit = std::memchr(text.data(), c, size_t(text.size()));
    return hit ? static_cast<const char *>(hit) - text.data() : -1;
}

// First occurrence of `needle` in `text`; an empty needle is never found.
// The needles here are a few bytes long: memchr to the first byte, then a
// compare, beats a general search with its set-up cost.
qsizetype findCaseSensitive(QByteArrayView text, QByteArrayView needle)
{
    const qsizetype m = needle.size();
    if (m == 0 || m > text.size())
        return -1;
    const char *begin = text.data();
    const char *last = begin + (text.size() - m); // last possible start
    const char first = needle.front();
    for (const char *at = begin; at <= last; ++at) {
        at = static_cast<const char *>(std::memchr(at, first, size_t(last - at + 1)));
        if (!at)
            return -1;
        if (std::memcmp(at + 1, needle.data() + 1, size_t(m - 1)) == 0)
            return at - begin;
    }
    return -1;
}

qsizetype findNoCase(QByteArrayView text, QByteArrayView needle)
{
    if (needle.isEmpty() || !isAsciiLetter(uchar(needle.front()))) {
        bool letters = false;
        for (char c : needle)
            letters = letters || isAsciiLetter(uchar(c));
        if (!letters)
            return findCaseSensitive(text, needle);
    }
    const qsizetype n = text.size();
    const qsizetype m = needle.size();
    const uchar first = asciiLower(uchar(needle.front()));
    // For a letter, setting bit 0x20 maps exactly its two cases onto one.
    const uchar firstMask = isAsciiLetter(first) ? 0x20 : 0;
    for (qsizetype i = 0; i + m <= n; ++i) {
        if (uchar(uchar(text[i]) | firstMask) != first)
            continue;
        qsizetype k = 1;
        while (k < m && asciiLower(uchar(text[i + k])) == asciiLower(uchar(needle[k])))
            ++k;
        if (k == m)
            return i;
    }
    return -1;
}

bool endsWithBytes(const QByteArray &text, const char *tail, qsizetype size)
{
    return text.size() >= size &&
           std::memcmp(text.constData() + text.size() - size, tail, size_t(size)) == 0;
}

// Settles every "/../": the text before the first one becomes its directory,
// then "/" and the rest, again and again. Done in one pass over the text: the
// output never holds an occurrence, so the next one always ends at the byte
// just appended, and the directory of the head is the output cut back to the
// last "/" standing after the first "//" (kept on a stack).
QByteArray settleParents(QByteArrayView url)
{
    QByteArray out;
    out.reserve(url.size() + 4);
    qsizetype firstDouble = -1;     // first "//" in out
    std::vector<qsizetype> slashes; // positions of "/" in out after that "//"

    auto append = [&](char c) {
        const qsizetype at = out.size();
        out.append(c);
        if (c != '/')
            return;
        if (firstDouble < 0) {
            if (at > 0 && out.at(at - 1) == '/')
                firstDouble = at - 1;
        } else if (at >= firstDouble + 2) {
            slashes.push_back(at);
        }
    };

    for (char c : url) {
        append(c);
        if (c != '/' || !endsWithBytes(out, "/../", 4))
            continue;
        const qsizetype p = out.size() - 4; // the head is out[0, p)
        while (!slashes.empty() && slashes.back() >= p)
            slashes.pop_back();
        if (firstDouble >= 0 && firstDouble + 1 < p) {
            // The head's directory: cut at its last "/" after the "//", or
            // the head itself when there is none; then one "/".
            if (!slashes.empty()) {
                out.truncate(slashes.back() + 1);
            } else {
                out.truncate(p + 1);
                slashes.push_back(p);
            }
        } else {
            // A head without "//" has itself + "//" as its directory.
            out.truncate(p);
            firstDouble = -1;
            slashes.clear();
            append('/');
            append('/');
            append('/');
        }
    }
    return out;
}

// Replaces "/./" by "/" until none is left, in one pass: an occurrence can
// only end at the byte just appended.
QByteArray settleCurrent(const QByteArray &url)
{
    if (findCaseSensitive(url, "/./") < 0)
        return url;
    QByteArray out;
    out.reserve(url.size());
    for (char c : url) {
        out.append(c);
        if (c == '/' && endsWithBytes(out, "/./", 3))
            out.chop(2);
    }
    return out;
}

// "http://host:80/..." is "http://host/...". Only the authority's port of
// exactly 80 goes: dropping the first ":80" anywhere would turn port 8080
// into a host "host80", and an https URL on port 80 into one on 443.
void dropDefaultPort(QByteArray &url)
{
    constexpr QByteArrayView scheme("http://");
    if (!url.startsWith(scheme))
        return;
    qsizetype end = url.indexOf('/', scheme.size());
    if (end < 0)
        end = url.size();
    if (end - scheme.size() > 3 && QByteArrayView(url).sliced(end - 3, 3) == ":80")
        url.remove(end - 3, 3);
}

} // namespace

QByteArrayView TrimLeftBlanks(QByteArrayView text)
{
    qsizetype begin = 0;
    while (begin < text.size() && uchar(text[begin]) <= ' ')
        ++begin;
    return text.sliced(begin);
}

QByteArrayView TrimBlanks(QByteArrayView text)
{
    text = TrimLeftBlanks(text);
    qsizetype end = text.size();
    while (end > 0 && uchar(text[end - 1]) <= ' ')
        --end;
    return text.first(end);
}

QByteArrayView SplitAt(QByteArrayView separator, QByteArrayView &text)
{
    const qsizetype at = findNoCase(text, separator);
    if (at < 0) {
        const QByteArrayView head = text;
        text = QByteArrayView();
        return head;
    }
    const QByteArrayView head = text.first(at);
    text = text.sliced(at + separator.size());
    return head;
}

bool CutThrough(QByteArrayView separator, QByteArrayView &text)
{
    const qsizetype at = findCaseSensitive(text, separator);
    if (at < 0)
        return false;
    text = text.sliced(at + separator.size());
    return true;
}

QByteArrayView HostView(QByteArrayView url)
{
    if (!url.startsWith("http"))
        return QByteArrayView();
    // Most of the web is served over https: its host is read the same way.
    if (!url.startsWith("https://") || !CutThrough("https://", url))
        CutThrough("http://", url);
    return SplitAt("/", url);
}

QByteArrayView SchemePrefix(QByteArrayView url)
{
    return url.startsWith("https://") ? QByteArrayView("https://") : QByteArrayView("http://");
}

QByteArray HostOf(QByteArrayView url)
{
    return HostView(url).toByteArray();
}

QByteArray DirectoryOf(QByteArrayView url)
{
    QByteArrayView rest = url;
    const QByteArrayView scheme = SplitAt("//", rest);
    QByteArray result;
    result.reserve(url.size() + 2);
    result.append(scheme).append("//");
    const qsizetype lastSlash = rest.lastIndexOf('/');
    result.append(lastSlash < 0 ? rest : rest.first(lastSlash));
    return result;
}

QByteArrayView NextTag(QByteArrayView &source)
{
    QByteArrayView piece = SplitAt(">", source);
    while (!source.isEmpty() && findByte(piece, '<') < 0)
        piece = SplitAt(">", source);
    if (piece.isEmpty())
        return piece;
    const void *open = memrchr(piece.data(), '<', size_t(piece.size()));
    return open ? piece.sliced(static_cast<const char *>(open) - piece.data() + 1) : piece;
}

bool AttributeValue(QByteArrayView name, QByteArrayView tag, QByteArrayView &value)
{
    value = QByteArrayView();
    QByteArrayView rest = tag;
    const QByteArrayView before = SplitAt(name, rest);
    if (before.isEmpty() || !CutThrough("=", rest))
        return false;
    rest = TrimLeftBlanks(rest);
    // HTML's own reading of a value: a tag written over several lines, or a
    // value in single quotes, must not lose its links.
    if (!rest.isEmpty() && (rest.front() == '"' || rest.front() == '\'')) {
        const qsizetype close = rest.indexOf(rest.front(), 1);
        if (close > 0) {
            value = TrimBlanks(rest.sliced(1, close - 1));
            return !value.isEmpty();
        }
        rest = rest.sliced(1); // never closed: read as if unquoted
    }
    qsizetype end = 0;
    while (end < rest.size() && uchar(rest[end]) > ' ')
        ++end;
    value = rest.first(end);
    return !value.isEmpty();
}

QByteArray NormalizeURL(QByteArrayView url)
{
    return NormalizeURLBytes(url.toByteArray());
}

QByteArray NormalizeURLBytes(QByteArray url)
{
    // Most URLs need nothing: one look at every byte says so.
    bool port = false;
    bool dots = false;
    const char *p = url.constData();
    const qsizetype n = url.size();
    for (qsizetype i = 0; i + 2 < n; ++i) {
        if (p[i] == ':' && p[i + 1] == '8' && p[i + 2] == '0')
            port = true;
        else if (p[i] == '/' && p[i + 1] == '.')
            dots = dots || p[i + 2] == '/' || (p[i + 2] == '.' && i + 3 < n && p[i + 3] == '/');
    }
    if (!port && !dots)
        return url;
    if (port)
        dropDefaultPort(url);
    if (findCaseSensitive(url, "/../") >= 0)
        url = settleParents(url);
    return settleCurrent(url);
}

QByteArray ResolveLink(QByteArrayView pageHost, QByteArrayView pageURL, QByteArrayView link)
{
    return LinkResolver(pageHost, pageURL).resolve(link);
}

bool isWebScheme(QByteArrayView scheme)
{
    return scheme.compare("http", Qt::CaseInsensitive) == 0 ||
           scheme.compare("https", Qt::CaseInsensitive) == 0;
}

namespace {

// The length of the scheme `link` opens with, up to its ":", or 0. RFC 3986:
// a letter, then letters, digits, "+", "-" or ".".
qsizetype schemeLength(QByteArrayView link)
{
    if (link.isEmpty() || !isAsciiLetter(uchar(link.front())))
        return 0;
    qsizetype i = 1;
    while (i < link.size() &&
           (isAsciiLetter(uchar(link[i])) || (link[i] >= '0' && link[i] <= '9') || link[i] == '+' ||
            link[i] == '-' || link[i] == '.'))
        ++i;
    return i < link.size() && link[i] == ':' ? i : 0;
}

// The length of the scheme of a link that opens with "http://" or
// "https://", in any letter case; else 0.
qsizetype webSchemeLength(QByteArrayView link)
{
    const qsizetype length = schemeLength(link);
    return length > 0 && isWebScheme(link.first(length)) && link.sliced(length).startsWith("://")
               ? length
               : 0;
}
} // namespace

QByteArray LinkResolver::resolve(QByteArrayView link) const
{
    // Absolute by its scheme, not by its first letters: "http.html" and
    // "https-logo.jpg" are files beside the page. Older pages write
    // "HTTP://": the same address, its scheme in capitals.
    if (const qsizetype length = webSchemeLength(link)) {
        QByteArray absolute = link.toByteArray();
        for (qsizetype i = 0; i < length; ++i)
            absolute[i] = char(asciiLower(uchar(absolute[i])));
        return NormalizeURLBytes(std::move(absolute));
    }
    QByteArray absolute;
    // A rooted link keeps the scheme of the page it stands on.
    const QByteArrayView scheme = SchemePrefix(m_url);
    if (link.startsWith("//")) {
        // Scheme-relative, as pages link pictures on another server: the
        // host follows, not a path on this one.
        absolute.reserve(scheme.size() + link.size() - 2);
        absolute.append(scheme).append(link.sliced(2));
    } else if (link.startsWith('/')) {
        absolute.reserve(scheme.size() + m_host.size() + link.size());
        absolute.append(scheme).append(m_host).append(link);
    } else if (link.startsWith('~')) {
        absolute.reserve(scheme.size() + 1 + m_host.size() + link.size());
        absolute.append(scheme).append(m_host).append('/').append(link);
    } else {
        if (!m_haveDirectory) {
            m_directory = DirectoryOf(m_url);
            m_haveDirectory = true;
        }
        absolute.reserve(m_directory.size() + 1 + link.size());
        absolute.append(m_directory).append('/').append(link);
    }
    return NormalizeURLBytes(std::move(absolute));
}

bool HasOtherScheme(QByteArrayView link)
{
    const qsizetype length = schemeLength(link);
    return length > 0 && !isWebScheme(link.first(length));
}

namespace {

// The extension of `url` as IsImageURL reads it, if it is four or five bytes
// long; `lower` receives it in lower case.
QByteArrayView shortExtension(QByteArrayView url, bool queryType, char (&lower)[5])
{
    if (queryType) {
        for (qsizetype i = 0; i < url.size(); ++i) {
            if (url[i] == '?' || url[i] == '#') {
                url = url.first(i);
                break;
            }
        }
    }
    qsizetype i = url.size();
    while (i > 0 && url[i - 1] != '.' && url[i - 1] != '\\' && url[i - 1] != ':')
        --i;
    if (i == 0 || url[i - 1] != '.')
        return QByteArrayView();
    const QByteArrayView extension = url.sliced(i - 1);
    if (extension.size() != 4 && extension.size() != 5)
        return QByteArrayView();
    for (qsizetype k = 0; k < extension.size(); ++k)
        lower[k] = char(asciiLower(uchar(extension[k])));
    return extension;
}

} // namespace

QByteArrayView imageExtension(QByteArrayView url, ImageTypes types, bool queryType)
{
    char lower[5];
    const QByteArrayView extension = shortExtension(url, queryType, lower);
    const QByteArrayView ext(lower, extension.size());
    const bool alias = types.jpeg && types.jpegAlias;
    const bool image = (types.jpeg && ext == ".jpg") || (types.gif && ext == ".gif") ||
                       (types.bmp && ext == ".bmp") || (types.png && ext == ".png") ||
                       (types.webp && ext == ".webp") || (types.avif && ext == ".avif") ||
                       (alias && (ext == ".jpeg" || ext == ".jpe" || ext == ".jfif"));
    return image ? extension : QByteArrayView();
}

bool IsImageURL(QByteArrayView url, ImageTypes types, bool queryType)
{
    return !imageExtension(url, types, queryType).isEmpty();
}

bool hasPictureExtension(QByteArrayView url, bool queryType)
{
    constexpr ImageTypes every{true, true, true, true, true, true, true};
    if (IsImageURL(url, every, queryType))
        return true;
    // Icons and drawings: pictures the crawl never saves.
    char lower[5];
    const qsizetype size = shortExtension(url, queryType, lower).size();
    const QByteArrayView ext(lower, size);
    return size > 0 && (ext == ".svg" || ext == ".ico");
}
