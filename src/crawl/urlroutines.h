#pragma once

// Text routines the crawl rests on: splitting, host and directory of a URL,
// walking page source tag by tag, attribute values, link resolution and the
// image test. They work on bytes as the page delivered them (no decoding) and
// never fail: a routine that finds nothing returns an empty text or false.
//
// The in/out arguments are views: "the text keeps the rest" moves the view's
// start instead of copying, so scanning a whole page costs time in
// proportion to the page, not to the page times its number of tags.

#include "common/searchconditions.h"

#include <QByteArray>
#include <QByteArrayView>

// Head before the first `separator` (ASCII letters match in either case);
// `text` keeps what follows it. Without a match the head is all of `text`,
// which becomes empty.
QByteArrayView SplitAt(QByteArrayView separator, QByteArrayView &text);

// True when `separator` occurs (case-sensitive); `text` then keeps only what
// follows its first occurrence. Otherwise `text` is left alone.
bool CutThrough(QByteArrayView separator, QByteArrayView &text);

// Host of an "http" or "https" URL, with any port that stands in it; empty
// unless the URL begins with "http".
QByteArray HostOf(QByteArrayView url);
// The same as a view into `url`.
QByteArrayView HostView(QByteArrayView url);
// "https://" for a URL that begins with it, else "http://".
QByteArrayView SchemePrefix(QByteArrayView url);
// The one test of a web scheme, for every reader of addresses: "http" or
// "https" in any letter case.
bool isWebScheme(QByteArrayView scheme);
// True for a URL that begins with "http://" or "https://" as written: the
// crawl's lines carry their scheme in lower case, as links are resolved.
inline bool hasWebPrefix(QByteArrayView url)
{
    return url.startsWith("http://") || url.startsWith("https://");
}

// The URL without its last path component and without a trailing slash.
QByteArray DirectoryOf(QByteArrayView url);

// The inside of the next tag (the text after the last "<" before the next
// ">"), or at the end the trailing text. `source` keeps the rest.
QByteArrayView NextTag(QByteArrayView &source);

// The value of `name` in a tag's text. The name is found as a substring in
// either case, so "src" also matches the tail of a longer name. A value in
// double or single quotes runs to its closing quote, blanks and line breaks
// included, and loses the blanks at its ends; any other value ends at the
// first blank or line break.
// `value` views into `tag`.
bool AttributeValue(QByteArrayView name, QByteArrayView tag, QByteArrayView &value);

// Drops the port of an "http://" URL when it is 80, the default, and
// settles "/../" and "/./". Nothing else changes: another port (8080, 8000)
// and ":80" in the path stay.
QByteArray NormalizeURL(QByteArrayView url);
// The same on a URL the caller hands over: no copy when nothing changes.
QByteArray NormalizeURLBytes(QByteArray url);

// Absolute, normalised URL of `link` found on the page `pageURL` of `pageHost`.
QByteArray ResolveLink(QByteArrayView pageHost, QByteArrayView pageURL, QByteArrayView link);

// Resolves the links of one page; the page's directory is worked out once.
class LinkResolver
{
public:
    LinkResolver(QByteArrayView pageHost, QByteArrayView pageURL) : m_host(pageHost), m_url(pageURL)
    {
    }
    QByteArray resolve(QByteArrayView link) const;

private:
    QByteArrayView m_host;
    QByteArrayView m_url;
    mutable QByteArray m_directory;
    mutable bool m_haveDirectory = false;
};

// True when `link` names a scheme of its own other than http or https
// ("ftp://…", "mailto:…", "file:…", "C:\…"): an absolute reference no web
// server answers, never a path below the page.
bool HasOtherScheme(QByteArrayView link);

// The extension of `url` ("." included, case kept) when it names a picture
// of a selected type: ".jpg", ".gif", ".bmp", and with their types ".png",
// ".webp", ".avif", and with jpegAlias ".jpeg", ".jpe", ".jfif" as JPEG, in
// any case; else empty. The extension runs from the last "." after the last
// "\" or ":". With `queryType` it is read from the path alone, before "?" and
// "#" ("a.jpg?w=800" is a JPEG, "a.php?img=x.jpg" is not). Only these fixed
// extensions are ever returned, so a file name made with one stays a name.
QByteArrayView imageExtension(QByteArrayView url, ImageTypes types, bool queryType = false);

// True when imageExtension() finds one.
bool IsImageURL(QByteArrayView url, ImageTypes types, bool queryType = false);

// True when `url` has the extension of any picture type the program knows,
// selected or not, or of a drawing or icon (".svg", ".ico"), which it never
// saves.
bool hasPictureExtension(QByteArrayView url, bool queryType = false);

// Without leading and trailing blanks and control bytes (0x00 to 0x20).
QByteArrayView TrimBlanks(QByteArrayView text);
QByteArrayView TrimLeftBlanks(QByteArrayView text);
