// The browser engine module: THTML's browser on Qt WebEngine.
#include "browserengine.h"

#include <QDir>
#include <QPointer>
#include <QStandardPaths>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

class NavigationPage : public QWebEnginePage
{
public:
    NavigationPage(BrowserEngine *engine, QWebEngineProfile *profile, QObject *parent)
        : QWebEnginePage(profile, parent), m_engine(engine)
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
        // A profile of its own on disk: a login made in the pane lasts, and
        // the crawl can use its cookies.
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        m_profile = new QWebEngineProfile(QStringLiteral("browser"));
        m_profile->setPersistentStoragePath(data + QStringLiteral("/browser"));
        QWebEngineCookieStore *cookies = m_profile->cookieStore();
        connect(cookies, &QWebEngineCookieStore::cookieAdded, this, &BrowserEngine::cookieAdded);
        connect(cookies, &QWebEngineCookieStore::cookieRemoved, this,
                &BrowserEngine::cookieRemoved);
        m_view = new QWebEngineView(parent);
        m_view->setObjectName(QStringLiteral("HTML1View"));
        m_view->setPage(new NavigationPage(this, m_profile, m_view));
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
    void loadAllCookies() override { m_profile->cookieStore()->loadAllCookies(); }
    void setCookie(const QNetworkCookie &cookie, const QUrl &origin) override
    {
        m_profile->cookieStore()->setCookie(cookie, origin);
    }

    // The page must go before its profile; the view would otherwise go
    // after this object, with the window that holds both.
    ~WebEngineBrowser() override
    {
        delete m_view;
        delete m_profile;
    }

private:
    QPointer<QWebEngineView> m_view;
    QWebEngineProfile *m_profile;
};

} // namespace

extern "C" Q_DECL_EXPORT BrowserEngine *vellisk_create_browser_engine(QWidget *parent)
{
    return new WebEngineBrowser(parent);
}
