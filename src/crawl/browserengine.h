#pragma once

#include <QNetworkCookie>
#include <QObject>
#include <QPoint>
#include <QUrl>

class QWidget;

// The browser behind THTML. Its implementation lives in a module of its own
// (vellisk_webengine) that is loaded when the first page is shown, so that
// the program does not load the browser engine's libraries at start.
class BrowserEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~BrowserEngine() override = default;

    virtual QWidget *widget() const = 0;
    virtual void load(const QUrl &url) = 0;
    virtual void back() = 0;
    virtual void forward() = 0;
    virtual QUrl url() const = 0;
    // The profile's cookie store, kept under the user's data directory: every
    // cookie it holds is announced (cookieAdded) after loadAllCookies(), and
    // each one it gains or loses from then on.
    virtual void loadAllCookies() = 0;
    virtual void setCookie(const QNetworkCookie &cookie, const QUrl &origin) = 0;

signals:
    void cookieAdded(const QNetworkCookie &cookie);
    void cookieRemoved(const QNetworkCookie &cookie);
    void loadStarted();
    void loadFinished(bool ok);
    // Every page the browser is about to request in its window.
    void navigationRequested(const QUrl &url);
    // A right click, at this point of widget().
    void contextMenuRequested(const QPoint &at);
};

// The module's one entry point.
extern "C" {
using CreateBrowserEngineFn = BrowserEngine *(*)(QWidget *parent);
}
#define VELLISK_BROWSER_FACTORY "vellisk_create_browser_engine"
