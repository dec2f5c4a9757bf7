// The browser engine module: THTML's browser on Qt WebEngine.
#include "browserengine.h"

#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

class NavigationPage : public QWebEnginePage
{
public:
    NavigationPage(BrowserEngine *engine, QObject *parent) : QWebEnginePage(parent), m_engine(engine)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        emit m_engine->navigationRequested(url);
        return true;
    }

private:
    BrowserEngine *m_engine;
};

class WebEngineBrowser : public BrowserEngine
{
public:
    explicit WebEngineBrowser(QWidget *parent) : BrowserEngine(parent)
    {
        m_view = new QWebEngineView(parent);
        m_view->setObjectName(QStringLiteral("HTML1View"));
        m_view->setPage(new NavigationPage(this, m_view));
        // The owner's context menu replaces the browser's own.
        m_view->setContextMenuPolicy(Qt::NoContextMenu);
        connect(m_view, &QWebEngineView::loadStarted, this, &BrowserEngine::loadStarted);
        connect(m_view, &QWebEngineView::loadFinished, this, &BrowserEngine::loadFinished);
    }

    QWidget *widget() const override { return m_view; }
    void load(const QUrl &url) override { m_view->load(url); }
    void back() override { m_view->back(); }
    void forward() override { m_view->forward(); }
    QUrl url() const override { return m_view->url(); }

private:
    QWebEngineView *m_view;
};

} // namespace

extern "C" Q_DECL_EXPORT BrowserEngine *vellisk_create_browser_engine(QWidget *parent)
{
    return new WebEngineBrowser(parent);
}
