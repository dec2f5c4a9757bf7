// The crawl's manners towards the sites it visits (the extras of "礼儀と接続"):
// a job waits for its host's pace and robots.txt, a refused job goes back
// into its list, and requests name what they accept and where an image was
// found. With every box off none of this changes a request.
#include "cookiemirror.h"
#include "crawlengine.h"
#include "crawlreporter.h"
#include "linkextractor.h"
#include "politeness.h"
#include "thttp.h"

#include <QItemSelectionModel>
#include <QNetworkAccessManager>

namespace {
// A job refused this many times fails as any other failed transfer.
constexpr int RefusalLimit = 4;
} // namespace

bool CrawlEngine::heldBack(FetchSlot &slot, LinkList &list, qsizetype row)
{
    const ExtraSettings &extra = m_conditions.extra;
    if (!Politeness::active(extra))
        return false;
    const QByteArray url = list.urlOf(row).toByteArray();
    switch (m_polite->admit(url, extra)) {
    case Politeness::Admission::Go:
        return false;
    case Politeness::Admission::Wait:
        break;
    case Politeness::Admission::Disallowed:
        m_links->MarkEntry(list, row, LinkList::Failed);
        if (&list == m_links->imageList())
            m_imageSelection->select(list.index(int(row)), QItemSelectionModel::Deselect);
        m_reporter->LogError(QStringLiteral("robots.txt : ") + DecodeWebText(url));
        break;
    }
    // The line stays as it is; a later tick asks again.
    slot.state = FetchSlot::Ready;
    return true;
}

void CrawlEngine::addCourtesy(FetchSlot &slot)
{
    const ExtraSettings &extra = m_conditions.extra;
    if (!Politeness::anyOn(extra))
        return;
    slot.http->SetAccept(Politeness::acceptFor(slot.imageJob, m_conditions.imageTypes));
    if (slot.imageJob && extra.referer) {
        const LinkList &pages = *m_links->urlList();
        const qint32 page = m_links->imageList()->sourceOf(slot.line);
        if (page >= 0 && page < pages.size())
            slot.http->SetReferer(DecodeWebText(pages.urlOf(page)));
    }
    if (Politeness::active(extra))
        m_polite->started(slot.pageURL);
}

// A "429" or "503" with CheckRetryLater on: the host waits, the job goes
// back as "----" at its place, until its fourth refusal fails it.
bool CrawlEngine::putBack(FetchSlot &slot)
{
    const ExtraSettings &extra = m_conditions.extra;
    if (!Politeness::active(extra))
        return false;
    const int status = slot.http->StatusCode();
    if (!extra.retryLater || (status != 429 && status != 503)) {
        m_polite->answered(slot.pageURL);
        return false;
    }
    const int seconds = m_polite->refused(slot.pageURL, slot.http->RetryAfter());
    m_reporter->LogNormal(QStringLiteral("待機 : ") + slot.http->RemoteHost() +
                          QStringLiteral(" ") + QString::number(seconds) + QStringLiteral(" 秒"));
    if (m_polite->countRefusal(slot.imageJob, slot.line) >= RefusalLimit)
        return false;
    LinkList &list = listOf(slot);
    m_links->MarkEntry(list, slot.line, LinkList::New);
    if (slot.imageJob) {
        m_imageCursor = qMin(m_imageCursor, slot.line);
        if (m_collectMode)
            m_imageSelection->select(list.index(int(slot.line)), QItemSelectionModel::Select);
    } else {
        m_pageCursor = qMin(m_pageCursor, slot.line);
    }
    slot.received.clear();
    slot.state = FetchSlot::Ready;
    return true;
}

void CrawlEngine::useBrowserCookies(bool on)
{
    const bool inUse = m_network->cookieJar() == m_cookies;
    if (on && !inUse) {
        m_network->setCookieJar(m_cookies);
        m_cookies->setParent(this); // kept when the manager takes another jar
    } else if (!on && inUse) {
        m_network->setCookieJar(new QNetworkCookieJar(m_network));
    }
    if (on)
        emit browserCookiesWanted();
}
