#pragma once

// The ways today's pages link pictures beyond href and src: <picture> with
// its sources, srcset, lazy-loading attributes, url(...) in CSS, og:image
// and twitter:image.

#include "markupreaders.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// A link as a page writes it (character references decoded): an image link,
// or an href that is no image, which the crawl may follow as a page.
struct FoundLink
{
    QByteArray url;
    bool image = false;
};

// Reads a page's links tag by tag with the 拡張設定 readers on: today's href
// and src reading (values decoded, types read with queryType), the exact src
// of <img>, and each reader whose box is on. One reader serves one page: it
// remembers the <picture> it stands in.
class PagePictureReader
{
public:
    PagePictureReader(ImageTypes types, const ExtraSettings &extra);

    // `tag` as NextTag gave it; `after` is the source after the tag, where a
    // <style> block's text stands. Appends what the tag links to `found`.
    void readTag(QByteArrayView tag, QByteArrayView after, std::vector<FoundLink> &found);
    // Every link of a whole page's source, in order.
    std::vector<FoundLink> readPage(QByteArrayView source);

    // True for an address the image list takes: one of a selected type, or
    // with contentType one without any picture extension, which the server's
    // Content-Type will decide.
    bool takesImage(QByteArrayView url) const;

private:
    struct Attributes;
    void readSource(const Attributes &a, bool pictureChild, std::vector<FoundLink> &found);
    void readStyleBlock(QByteArrayView after, std::vector<FoundLink> &found);
    void takeCss(QByteArrayView css, std::vector<FoundLink> &found);
    void takeCandidate(QByteArrayView srcset, std::vector<FoundLink> &found);
    void take(QByteArrayView url, std::vector<FoundLink> &found);

    ImageTypes m_types;
    ExtraSettings m_extra;
    bool m_inPicture = false;
    bool m_pictureTaken = false; // a <source> of this <picture> was taken
    const char *m_cssReadUpTo = nullptr;
    QByteArray m_buffer;
};
