#include "browserhistory.h"

#include "webaddress.h"

QString BrowserHistory::request(const QString &url, bool dropDown)
{
    QString page = NormalizeBrowsedURL(url);
    m_history.record(page);
    if (dropDown)
        moveToFront(m_dropDown, page);
    return page;
}

QString BrowserHistory::backTarget() const
{
    return m_history.canGoBack() ? m_history.items().at(m_history.currentIndex() - 1) : QString();
}

QString BrowserHistory::forwardTarget() const
{
    return m_history.canGoForward() ? m_history.items().at(m_history.currentIndex() + 1)
                                    : QString();
}

void BrowserHistory::clear()
{
    m_history.clear();
    m_dropDown.clear();
}
