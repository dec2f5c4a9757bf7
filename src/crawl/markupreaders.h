#pragma once

// Readers of the markup pictures hide in, on bytes as the page delivered
// them: character references, a tag's attributes, srcset candidate lists
// and url(...) in CSS. Nothing here fails; a reader that finds nothing
// returns nothing.

#include "common/searchconditions.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// `text` with its character references decoded: "&amp;", "&lt;", "&gt;",
// "&quot;", "&apos;" and numeric ones ("&#38;", "&#x26;", as UTF-8). Other
// names, and names without their ";", stay as written. Returns `text` itself
// when it holds no "&", else a view of `buffer`.
QByteArrayView decodeEntities(QByteArrayView text, QByteArray &buffer);

// The attributes of a tag's text (as NextTag gives it, name first) read the
// way HTML reads them: a name is matched whole, values are quoted with " or '
// (blanks and line breaks inside) or bare up to the next blank.
class AttributeReader
{
public:
    explicit AttributeReader(QByteArrayView tag);
    // The tag's name as written; an end tag's keeps its "/" ("/picture").
    QByteArrayView tagName() const { return m_name; }
    // The next attribute; a name without "=" has an empty value.
    bool next(QByteArrayView &name, QByteArrayView &value);

private:
    QByteArrayView m_name;
    QByteArrayView m_rest;
};

// The candidate of a srcset list a picture is saved from: the widest by its
// "w" descriptor, else the densest by "x" (none counts as 1x), else the
// last. A candidate with a descriptor a browser would refuse is skipped.
// Empty when no candidate is left.
QByteArrayView largestSrcsetCandidate(QByteArrayView srcset);

// The addresses in url(...) (quoted with ' or ", or bare) of the properties
// background, background-image and content, in CSS text: the declarations
// of a style attribute or the rules of a <style> block.
QList<QByteArrayView> cssImageURLs(QByteArrayView css);

// The extension a picture of a MIME type ("image/webp", parameters
// allowed: a Content-Type or a <source>'s type) is saved under, when the type
// is one of the selected ones: ".jpg", ".gif", ".bmp", ".png", ".webp" or
// ".avif"; else empty.
QByteArrayView contentTypeExtension(QByteArrayView mimeType, ImageTypes types);
bool isSelectedPictureType(QByteArrayView mimeType, ImageTypes types);
