#include "pagepictures.h"

#include "urlroutines.h"

#include <functional>

namespace {

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

// The attributes the readers use, by their whole names; the first
// non-empty value of each counts.
struct PagePictureReader::Attributes
{
    QByteArrayView src;
    QByteArrayView srcset;
    QByteArrayView dataSrcset;
    QByteArrayView dataSrc;
    QByteArrayView dataOriginal;
    QByteArrayView dataLazySrc;
    QByteArrayView type;
    QByteArrayView style;
    QByteArrayView property;
    QByteArrayView name;
    QByteArrayView content;

    explicit Attributes(AttributeReader &reader)
    {
        static constexpr struct
        {
            const char *name;
            QByteArrayView Attributes::*field;
        } fields[] = {{"src", &Attributes::src},
                      {"srcset", &Attributes::srcset},
                      {"data-srcset", &Attributes::dataSrcset},
                      {"data-src", &Attributes::dataSrc},
                      {"data-original", &Attributes::dataOriginal},
                      {"data-lazy-src", &Attributes::dataLazySrc},
                      {"type", &Attributes::type},
                      {"style", &Attributes::style},
                      {"property", &Attributes::property},
                      {"name", &Attributes::name},
                      {"content", &Attributes::content}};
        QByteArrayView attribute;
        QByteArrayView value;
        while (reader.next(attribute, value)) {
            for (const auto &field : fields) {
                if ((this->*field.field).isEmpty() && sameName(attribute, field.name)) {
                    this->*field.field = value;
                    break;
                }
            }
        }
    }
};

PagePictureReader::PagePictureReader(ImageTypes types, const ExtraSettings &extra)
    : m_types(types), m_extra(extra)
{
}

bool PagePictureReader::takesImage(QByteArrayView url) const
{
    // "#…" is this page itself; "data:" and other schemes are no address to
    // fetch.
    if (url.isEmpty() || url.front() == '#' || HasOtherScheme(url))
        return false;
    if (IsImageURL(url, m_types, m_extra.queryType))
        return true;
    return m_extra.contentType && !hasPictureExtension(url, m_extra.queryType);
}

void PagePictureReader::take(QByteArrayView url, std::vector<FoundLink> &found)
{
    if (!takesImage(url))
        return;
    if (!found.empty() && found.back().image && found.back().url == url)
        return;
    found.push_back(FoundLink{url.toByteArray(), true});
}

void PagePictureReader::takeCandidate(QByteArrayView srcset, std::vector<FoundLink> &found)
{
    take(largestSrcsetCandidate(decodeEntities(srcset, m_buffer)), found);
}

void PagePictureReader::takeCss(QByteArrayView css, std::vector<FoundLink> &found)
{
    for (QByteArrayView url : cssImageURLs(css))
        take(url, found);
}

void PagePictureReader::readTag(QByteArrayView tag, QByteArrayView after,
                                std::vector<FoundLink> &found)
{
    AttributeReader reader(tag);
    const QByteArrayView name = reader.tagName();
    const bool img = sameName(name, "img");
    const bool source = sameName(name, "source");
    const bool meta = sameName(name, "meta");
    if (sameName(name, "picture")) {
        m_inPicture = true;
        m_pictureTaken = false;
    } else if (sameName(name, "/picture")) {
        m_inPicture = false;
    }
    // With srcset on a <picture> gives one picture, as a browser picks it,
    // not one in each format it offers.
    const bool pictureChild = m_extra.srcset && m_inPicture && (img || source);
    const bool passedOver = pictureChild && (source || m_pictureTaken);

    // Today's reading, with values decoded.
    QByteArrayView value;
    if (AttributeValue("href", tag, value)) {
        value = decodeEntities(value, m_buffer);
        found.push_back(
            FoundLink{value.toByteArray(), IsImageURL(value, m_types, m_extra.queryType)});
    }
    if (!passedOver && AttributeValue("src", tag, value)) {
        value = decodeEntities(value, m_buffer);
        if (IsImageURL(value, m_types, m_extra.queryType))
            found.push_back(FoundLink{value.toByteArray(), true});
    }

    if (img || source || (meta && m_extra.metaImage) || m_extra.cssImage) {
        const Attributes a(reader);
        if (img && !passedOver) {
            // "src" is also the tail of "data-src" and "srcset", which
            // today's reading may take first; the attribute itself counts.
            take(decodeEntities(a.src, m_buffer), found);
            if (m_extra.srcset) {
                for (QByteArrayView lazy : {a.dataSrc, a.dataOriginal, a.dataLazySrc})
                    take(decodeEntities(lazy, m_buffer), found);
                takeCandidate(a.srcset, found);
                takeCandidate(a.dataSrcset, found);
            }
        }
        // The <img> closes the choice; an unclosed <picture> must not pass
        // over the pictures after it.
        if (img && pictureChild)
            m_inPicture = false;
        if (source && m_extra.srcset)
            readSource(a, pictureChild, found);
        if (meta && m_extra.metaImage) {
            const auto picture = [](QByteArrayView key) {
                key = TrimBlanks(key);
                return sameName(key, "og:image") || sameName(key, "twitter:image");
            };
            if (picture(a.property) || picture(a.name))
                take(decodeEntities(a.content, m_buffer), found);
        }
        if (m_extra.cssImage && !a.style.isEmpty())
            takeCss(decodeEntities(a.style, m_buffer), found);
    }
    if (m_extra.cssImage && sameName(name, "style"))
        readStyleBlock(after, found);
}

void PagePictureReader::readSource(const Attributes &a, bool pictureChild,
                                   std::vector<FoundLink> &found)
{
    if (!pictureChild) {
        takeCandidate(a.srcset, found);
        takeCandidate(a.dataSrcset, found);
        return;
    }
    // The first source of a selected type is the picture; a source without
    // a type is of its address's type.
    if (m_pictureTaken)
        return;
    if (!a.type.isEmpty() && !isSelectedPictureType(a.type, m_types))
        return;
    // A lazy source holds a placeholder in srcset and the picture in
    // data-srcset.
    for (QByteArrayView list : {a.srcset, a.dataSrcset}) {
        const QByteArrayView candidate = largestSrcsetCandidate(decodeEntities(list, m_buffer));
        if (takesImage(candidate)) {
            found.push_back(FoundLink{candidate.toByteArray(), true});
            m_pictureTaken = true;
            return;
        }
    }
}

void PagePictureReader::readStyleBlock(QByteArrayView after, std::vector<FoundLink> &found)
{
    // A "<style>" inside a block already read is text of that block; reading
    // from it again would cost a page with many unclosed blocks its square.
    if (std::less<const char *>()(after.data(), m_cssReadUpTo))
        return;
    QByteArrayView rest = after;
    const QByteArrayView block = SplitAt("</style", rest);
    m_cssReadUpTo = block.data() + block.size();
    takeCss(block, found);
}

std::vector<FoundLink> PagePictureReader::readPage(QByteArrayView source)
{
    std::vector<FoundLink> found;
    QByteArrayView rest = source;
    QByteArrayView tag = NextTag(rest);
    while (!tag.isEmpty() || !rest.isEmpty()) {
        readTag(tag, rest, found);
        tag = NextTag(rest);
    }
    return found;
}
