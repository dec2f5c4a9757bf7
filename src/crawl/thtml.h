#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class BrowserEngine;

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

    BrowserEngine *m_engine = nullptr;
    bool m_loadFailed = false;
};
