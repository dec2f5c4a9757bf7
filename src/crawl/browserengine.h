#pragma once

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

signals:
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
