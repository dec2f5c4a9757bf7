#include "pictureacceptance.h"

#include "linklist.h"
#include "markupreaders.h"
#include "picture/pictureloader.h"
#include "urlroutines.h"

namespace {

// The picture formats the crawl's image types select.
struct TypeOf
{
    bool ImageTypes::*selected;
    PictureLoader::Format format;
};

constexpr TypeOf Types[] = {
    {&ImageTypes::jpeg, PictureLoader::Format::Jpeg},
    {&ImageTypes::gif, PictureLoader::Format::Gif},
    {&ImageTypes::bmp, PictureLoader::Format::Bmp},
    {&ImageTypes::png, PictureLoader::Format::Png},
    {&ImageTypes::webp, PictureLoader::Format::WebP},
    {&ImageTypes::avif, PictureLoader::Format::Avif},
};

} // namespace

QString PictureAcceptance::savedExtension(QByteArrayView url, const SearchConditions &conditions)
{
    const ExtraSettings &extra = conditions.extra;
    if (!extra.queryType && !extra.contentType) {
        const qsizetype dot = url.lastIndexOf('.');
        return dot < 0 ? QString() : DecodeWebText(url.sliced(dot));
    }
    return DecodeWebText(imageExtension(url, conditions.imageTypes, extra.queryType));
}

QString PictureAcceptance::extensionForContentType(const QString &contentType,
                                                   const ImageTypes &types)
{
    return QString::fromLatin1(contentTypeExtension(contentType.toLatin1(), types));
}

QString PictureAcceptance::notAPicture(QByteArrayView firstBytes, const ImageTypes &types)
{
    const PictureLoader::Sniffed sniffed = PictureLoader::sniff(firstBytes);
    for (const TypeOf &type : Types) {
        if (sniffed.format == type.format && types.*type.selected)
            return {};
    }
    return sniffed.what;
}
