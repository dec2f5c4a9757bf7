#include "cookiemirror.h"

#include <QNetworkCookie>

void CookieMirror::mirror(const QNetworkCookie &cookie)
{
    // The store's cookies are already checked against their origin.
    if (!updateCookie(cookie))
        insertCookie(cookie);
}

void CookieMirror::forget(const QNetworkCookie &cookie)
{
    deleteCookie(cookie);
}

bool CookieMirror::setCookiesFromUrl(const QList<QNetworkCookie> &cookies, const QUrl &url)
{
    bool added = false;
    for (QNetworkCookie cookie : cookies) {
        if (!QNetworkCookieJar::setCookiesFromUrl({cookie}, url))
            continue;
        added = true;
        // As the jar keeps it: the domain and path filled in from the address.
        cookie.normalize(url);
        emit received(cookie, url);
    }
    return added;
}
