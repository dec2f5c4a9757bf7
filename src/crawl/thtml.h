#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QWebEngineView;
class QWebEnginePage;

// The HTML browser control. The browser engine (and its helper processes)
// starts on the first LoadURL, not when the control is created: most runs of
// the program never show a web page.
class THTML : public QWidget
{
    Q_OBJECT
public:
    explicit THTML(QWidget *parent = nullptr);

    void LoadURL(const QString &url);
    bool engineStarted() const { return m_view != nullptr; }
    QWebEngineView *view() const { return m_view; }
    void back();
    void forward();

signals:
    void OnBeginRetrieval();
    void OnEndRetrieval();
    // Every document the browser is about to request.
    void OnDoRequestDoc(const QString &URL);

private:
    void ensureEngine();

    QWebEngineView *m_view = nullptr;
};
