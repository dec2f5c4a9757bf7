#pragma once

#include <QNetworkCookie>
#include <QNetworkCookieJar>

// The crawl's cookie jar when it uses the browser's cookies: a copy of the
// browser profile's store, kept up to date by its owner (mirror, forget),
// that reports each cookie a crawl answer sets so that the owner can write
// it back into the store. Copies made by mirror() are not reported back.
class CookieMirror : public QNetworkCookieJar
{
    Q_OBJECT
public:
    using QNetworkCookieJar::QNetworkCookieJar;

    void mirror(const QNetworkCookie &cookie);
    void forget(const QNetworkCookie &cookie);
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookies, const QUrl &url) override;
    qsizetype count() const { return allCookies().size(); }

signals:
    void received(const QNetworkCookie &cookie, const QUrl &origin);
};
