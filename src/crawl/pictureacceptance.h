#pragma once

#include "common/searchconditions.h"

#include <QByteArrayView>
#include <QString>

// What the crawl asks of a downloaded picture beyond its size and ratio, with
// the extras of "拡張設定": the name it is saved under, the type the server
// gave an address without one, and whether its bytes are a picture at all.
namespace PictureAcceptance {

// The extension a picture of `url` is saved under ("." included, as the
// address writes it). With the extras off, from the URL's last "." (today's
// rule); with them, from the path before "?" and "#". Empty when the address
// has no known type and the server's type is to decide.
QString savedExtension(QByteArrayView url, const SearchConditions &conditions);

// The extension for a Content-Type ("image/png; x" -> ".png") when that type
// is selected; empty otherwise.
QString extensionForContentType(const QString &contentType, const ImageTypes &types);

// Empty when the first bytes of a file are a picture of a selected type;
// otherwise what they are ("text/html", "PNG", "empty" ...), for the log.
QString notAPicture(QByteArrayView firstBytes, const ImageTypes &types);

} // namespace PictureAcceptance
