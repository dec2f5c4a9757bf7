// The browser engine module: THTML's browser on Qt WebEngine.
#include "browserengine.h"

#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

class NavigationPage : public QWebEnginePage
{
public:
    NavigationPage(BrowserEngine *engine, QObject *parent)
        : QWebEnginePage(parent), m_engine(engine)
    {
    }

protected:
    // Frames inside a page are parts of it, not pages of the history. The
    // window itself goes to http and https pages only: a link or a script
    // cannot take it to a local file or another scheme.
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (!isMainFrame)
            return true;
        const QString scheme = url.scheme().toLower();
        if (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))
            return false;
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
        m_view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(m_view, &QWidget::customContextMenuRequested, this,
                &BrowserEngine::contextMenuRequested);
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
