#include "thtml.h"

#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

class NavigationPage : public QWebEnginePage
{
public:
    NavigationPage(THTML *owner, QObject *parent) : QWebEnginePage(parent), m_owner(owner) {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        emit m_owner->OnDoRequestDoc(url.toString());
        return true;
    }

private:
    THTML *m_owner;
};

} // namespace

THTML::THTML(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void THTML::ensureEngine()
{
    if (m_view != nullptr)
        return;
    m_view = new QWebEngineView(this);
    m_view->setObjectName(QStringLiteral("HTML1View"));
    m_view->setPage(new NavigationPage(this, m_view));
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    connect(m_view, &QWebEngineView::loadStarted, this, &THTML::OnBeginRetrieval);
    connect(m_view, &QWebEngineView::loadFinished, this, [this](bool) { emit OnEndRetrieval(); });
    layout()->addWidget(m_view);
}

void THTML::LoadURL(const QString &url)
{
    ensureEngine();
    m_view->load(QUrl::fromUserInput(url));
}

void THTML::back()
{
    if (m_view != nullptr)
        m_view->back();
}

void THTML::forward()
{
    if (m_view != nullptr)
        m_view->forward();
}
