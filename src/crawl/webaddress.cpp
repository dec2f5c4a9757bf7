#include "webaddress.h"

#include "urlroutines.h"

bool isWebAddress(const QUrl &url)
{
    return url.isValid() && isWebScheme(url.scheme().toLatin1()) && !url.host().isEmpty();
}

QUrl webAddressFromTyped(const QString &text)
{
    const QUrl url = QUrl::fromUserInput(text);
    return isWebAddress(url) ? url : QUrl();
}

QString crawlStartURL(const QString &typed)
{
    QString text = typed.trimmed();
    if (text.contains(QLatin1String("://")) || !webAddressFromTyped(text).isValid())
        return text;
    // The text itself, not QUrl's reading of it: the crawl's own routines
    // split and resolve the address exactly as it was typed.
    return QStringLiteral("http://") + text;
}

QString NormalizeBrowsedURL(const QString &url)
{
    return QString::fromUtf8(NormalizeURL(url.toUtf8()));
}
