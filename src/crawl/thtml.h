#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class BrowserEngine;
class CookieMirror;

// The HTML browser control. The browser engine (a module of its own, with
// its helper processes) starts on the first LoadURL, not when the control is
// created: most runs of the program never show a web page.
class THTML : public QWidget
{
    Q_OBJECT
public:
    explicit THTML(QWidget *parent = nullptr);

    // Shows the page at `url`, an http or https address as a user types it
    // (see webAddressFromTyped). False, with nothing loaded, for any other.
    bool LoadURL(const QString &url);
    bool engineStarted() const { return m_engine != nullptr; }
    // Starts the browser engine without showing a page; false when it
    // cannot be loaded.
    bool startEngine() { return ensureEngine(); }
    // From the engine's start on, `jar` holds a copy of the browser's
    // cookies, and cookies set in `jar` by answers go into the browser's
    // store. Does not start the engine.
    void setCookieMirror(CookieMirror *jar);
    QUrl currentUrl() const;
    void back();
    void forward();

    // The browser module: beside the program (build tree), else in the
    // program's private library directory; empty when it is missing.
    static QString modulePath();

signals:
    void OnBeginRetrieval();
    void OnEndRetrieval();
    // Every page the browser is about to request in its window.
    void OnDoRequestDoc(const QString &URL);

private:
    bool ensureEngine();
    void connectCookies();

    BrowserEngine *m_engine = nullptr;
    CookieMirror *m_cookieMirror = nullptr;
    bool m_loadFailed = false;
};
