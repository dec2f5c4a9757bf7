#include "thtml.h"

#include "browserengine.h"
#include "common/datafiles.h"
#include "cookiemirror.h"
#include "webaddress.h"

#include <QLabel>
#include <QLibrary>
#include <QVBoxLayout>

THTML::THTML(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

QString THTML::modulePath()
{
    return moduleFilePath(QStringLiteral("libvellisk_webengine.so"));
}

bool THTML::ensureEngine()
{
    if (m_engine != nullptr)
        return true;
    if (m_loadFailed)
        return false;
    const QString path = modulePath();
    QString error = QStringLiteral("libvellisk_webengine.so");
    if (!path.isEmpty()) {
        QLibrary module(path);
        auto create =
            reinterpret_cast<CreateBrowserEngineFn>(module.resolve(VELLISK_BROWSER_FACTORY));
        if (create != nullptr)
            m_engine = create(this);
        else
            error = module.errorString();
    }
    if (m_engine == nullptr) {
        m_loadFailed = true;
        auto *label = new QLabel(
            QStringLiteral("ブラウザを起動できません") + QLatin1Char('\n') + error, this);
        label->setAlignment(Qt::AlignCenter);
        layout()->addWidget(label);
        return false;
    }
    connect(m_engine, &BrowserEngine::loadStarted, this, &THTML::OnBeginRetrieval);
    connect(m_engine, &BrowserEngine::loadFinished, this, [this](bool) { emit OnEndRetrieval(); });
    connect(m_engine, &BrowserEngine::navigationRequested, this,
            [this](const QUrl &url) { emit OnDoRequestDoc(url.toString()); });
    // The browser's right click opens the owner's menu.
    connect(m_engine, &BrowserEngine::contextMenuRequested, this, [this](const QPoint &at) {
        emit customContextMenuRequested(m_engine->widget()->mapTo(this, at));
    });
    layout()->addWidget(m_engine->widget());
    connectCookies();
    return true;
}

void THTML::setCookieMirror(CookieMirror *jar)
{
    m_cookieMirror = jar;
    connectCookies();
}

void THTML::connectCookies()
{
    if (m_engine == nullptr || m_cookieMirror == nullptr)
        return;
    CookieMirror *jar = m_cookieMirror;
    connect(m_engine, &BrowserEngine::cookieAdded, jar, &CookieMirror::mirror,
            Qt::UniqueConnection);
    connect(m_engine, &BrowserEngine::cookieRemoved, jar, &CookieMirror::forget,
            Qt::UniqueConnection);
    connect(jar, &CookieMirror::received, m_engine, &BrowserEngine::setCookie,
            Qt::UniqueConnection);
    m_engine->loadAllCookies();
}

bool THTML::LoadURL(const QString &url)
{
    const QUrl address = webAddressFromTyped(url);
    if (!address.isValid() || !ensureEngine())
        return false;
    m_engine->load(address);
    return true;
}

QUrl THTML::currentUrl() const
{
    return m_engine != nullptr ? m_engine->url() : QUrl();
}

void THTML::back()
{
    if (m_engine != nullptr)
        m_engine->back();
}

void THTML::forward()
{
    if (m_engine != nullptr)
        m_engine->forward();
}
