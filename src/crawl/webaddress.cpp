#include "webaddress.h"

#include "urlroutines.h"

bool isWebURL(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QStringLiteral("http") || scheme == QStringLiteral("https"))
           && !url.host().isEmpty();
}

QUrl webAddressFromTyped(const QString &text)
{
    const QUrl url = QUrl::fromUserInput(text);
    return isWebURL(url) ? url : QUrl();
}

QString crawlStartURL(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.contains(QLatin1String("://")) || !webAddressFromTyped(text).isValid())
        return text;
    // The text itself, not QUrl's reading of it: the crawl's own routines
    // split and resolve the address exactly as it was typed.
    return QStringLiteral("http://") + text;
}

QString NormalizeBrowsedURL(const QString &url)
{
    QByteArray bytes = url.toUtf8();
    const qsizetype port = bytes.indexOf(":80");
    const bool longerPort = port >= 0 && port + 3 < bytes.size()
                            && bytes[port + 3] >= '0' && bytes[port + 3] <= '9';
    if (!longerPort)
        return QString::fromUtf8(NormalizeURL(bytes));
    // Hide every ":80" from the port rule while the dots are settled. A
    // browsed URL holds no raw control bytes, so the stand-in cannot clash.
    bytes.replace(":80", "\x01" "80");
    bytes = NormalizeURL(bytes);
    bytes.replace('\x01', ':');
    return QString::fromUtf8(bytes);
}
