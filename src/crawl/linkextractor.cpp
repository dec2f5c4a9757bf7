#include "linkextractor.h"

#include "crawlreporter.h"
#include "pagepictures.h"

#include <utility>

namespace {

// Holds back the views' row announcements while a page is being scanned.
class BatchScope
{
public:
    explicit BatchScope(LinkList *list) : m_list(list) { m_list->beginBatch(); }
    ~BatchScope() { m_list->endBatch(); }
    BatchScope(const BatchScope &) = delete;
    BatchScope &operator=(const BatchScope &) = delete;

private:
    LinkList *m_list;
};

bool endsWithNoCase(QByteArrayView text, QByteArrayView tail)
{
    return text.size() >= tail.size() &&
           text.last(tail.size()).compare(tail, Qt::CaseInsensitive) == 0;
}

} // namespace

QByteArray entryKey(QByteArray url)
{
    QByteArray key = NormalizeURLBytes(std::move(url));
    const QByteArrayView trimmed = TrimBlanks(key);
    if (trimmed.size() != key.size())
        key = trimmed.toByteArray();
    return key;
}

// One page's links: its resolver, whether the link counter changed while
// the panel text was held back, and the link waiting for its index slot.
struct LinkExtractor::PageLinks
{
    const CrawlPage &page;
    LinkResolver resolver;
    bool holdCount = false;
    bool countChanged = false;
    // While a page is scanned each link is looked up one link later: its
    // index slot is fetched from memory while the next tag is read.
    bool pipelined = false;
    LinkList *pendingList = nullptr;
    QByteArray pendingKey;
    quint32 pendingHash = 0;
    bool pendingPage = false;

    explicit PageLinks(const CrawlPage &p) : page(p), resolver(p.host, p.url) {}
};

LinkExtractor::LinkExtractor(QObject *parent)
    : QObject(parent), m_urlList(new LinkList(0, this)), m_imageList(new LinkList(1, this))
{
}

LinkExtractor::~LinkExtractor() = default;

void LinkExtractor::clearLists()
{
    m_urlList->clear();
    m_imageList->clear();
}

ListEntry LinkExtractor::ReadEntry(LinkList &list, qsizetype row)
{
    if (row < 0 || row >= list.size())
        return ListEntry{};
    if (m_reporter)
        m_reporter->slotStatusText(SlotPanel::LineRead, list.lineText(row));
    return ListEntry{list.status(row), list.urlOf(row).toByteArray()};
}

bool LinkExtractor::AddEntry(LinkList &list, QByteArrayView url)
{
    if (url.isEmpty())
        return false;
    return list.appendEntry(entryKey(url.toByteArray()));
}

bool LinkExtractor::queueEntry(PageLinks &page, LinkList &list, QByteArray url, bool pageLink)
{
    if (url.isEmpty())
        return false;
    QByteArray key = entryKey(std::move(url));
    const quint32 hash = list.hashOf(key);
    if (!page.pipelined)
        return commitEntry(page, list, key, hash, pageLink);
    list.prefetch(hash);
    flushPending(page);
    page.pendingList = &list;
    page.pendingKey = std::move(key);
    page.pendingHash = hash;
    page.pendingPage = pageLink;
    return true;
}

void LinkExtractor::flushPending(PageLinks &page)
{
    if (!page.pendingList)
        return;
    LinkList *list = std::exchange(page.pendingList, nullptr);
    commitEntry(page, *list, page.pendingKey, page.pendingHash, page.pendingPage);
}

bool LinkExtractor::commitEntry(PageLinks &page, LinkList &list, const QByteArray &key,
                                quint32 hash, bool pageLink)
{
    if (!list.appendEntry(key, hash))
        return false;
    if (&list == m_imageList && page.page.row >= 0)
        list.setSource(list.size() - 1, qint32(page.page.row));
    if (pageLink) {
        ++m_pageLinkCount;
        if (page.holdCount)
            page.countChanged = true;
        else
            showPageLinkCount();
    }
    return true;
}

bool LinkExtractor::MarkEntry(LinkList &list, qsizetype row, int status)
{
    if (row < 0 || row >= list.size() || status < LinkList::New || status > LinkList::Done)
        return false;
    list.setStatus(row, LinkList::Status(status));
    if (&list == m_imageList && m_reporter)
        m_reporter->LogNormal(list.lineText(row));
    return true;
}

void LinkExtractor::ExtractLinks(const CrawlPage &page, QByteArrayView source, ImageTypes types,
                                 const ExtraSettings &extra)
{
    if (source.isEmpty()) {
        if (m_reporter) {
            m_reporter->LogNormal(QStringLiteral("HTML ソース無し ") + QString::number(page.slot));
            m_reporter->statusText(MainPanel::Work, QStringLiteral("HTML ソース無し"));
        }
        return;
    }
    if (page.host.isEmpty() || page.url.isEmpty()) {
        if (m_reporter)
            m_reporter->LogError(QStringLiteral("Error grHost or grURL"));
        return;
    }

    PageLinks links(page);
    links.holdCount = true;
    links.pipelined = true;
    {
        const BatchScope urls(m_urlList);
        const BatchScope images(m_imageList);
        if (extra.anyLinkFinding() || extra.queryType) {
            readExtended(links, source, types, extra);
        } else {
            QByteArrayView rest = source;
            QByteArrayView tag = NextTag(rest);
            while (!tag.isEmpty() || !rest.isEmpty()) {
                QByteArrayView value;
                if (AttributeValue("href", tag, value)) {
                    if (IsImageURL(value, types))
                        takeImageLink(links, value);
                    else
                        takePageLink(links, value);
                }
                if (AttributeValue("src", tag, value) && IsImageURL(value, types))
                    takeImageLink(links, value);
                tag = NextTag(rest);
            }
        }
        flushPending(links);
    }
    // Nothing repaints during the scan, so the last count is all anyone sees.
    if (links.countChanged)
        showPageLinkCount();
}

void LinkExtractor::readExtended(PageLinks &page, QByteArrayView source, ImageTypes types,
                                 const ExtraSettings &extra)
{
    PagePictureReader reader(types, extra);
    std::vector<FoundLink> found;
    QByteArrayView rest = source;
    QByteArrayView tag = NextTag(rest);
    while (!tag.isEmpty() || !rest.isEmpty()) {
        found.clear();
        reader.readTag(tag, rest, found);
        for (const FoundLink &link : found) {
            if (link.image)
                takeImageLink(page, link.url);
            else
                takePageLink(page, link.url);
        }
        tag = NextTag(rest);
    }
}

bool LinkExtractor::AddPageLink(const CrawlPage &page, QByteArrayView link)
{
    PageLinks links(page);
    return takePageLink(links, link);
}

bool LinkExtractor::AddImageLink(const CrawlPage &page, QByteArrayView link)
{
    PageLinks links(page);
    return takeImageLink(links, link);
}

bool LinkExtractor::takeImageLink(PageLinks &page, QByteArrayView link)
{
    // "ftp://…/a.jpg" read as a path would ask this server for a file that
    // was never linked.
    if (HasOtherScheme(link))
        return false;
    return queueEntry(page, *m_imageList, page.resolver.resolve(link), false);
}

bool LinkExtractor::takePageLink(PageLinks &page, QByteArrayView link)
{
    // Only what looks like a page or a directory is followed; queries,
    // fragments, other file types and other schemes are dropped as written.
    if (!link.endsWith('/') && !endsWithNoCase(link, "htm") && !endsWithNoCase(link, "html"))
        return false;
    if (HasOtherScheme(link))
        return false;
    const QByteArray url = page.resolver.resolve(link);
    if (HostView(url).isEmpty() && m_reporter)
        m_reporter->LogError(QStringLiteral("Error newHost ") + DecodeWebText(link));
    return queueEntry(page, *m_urlList, url, true);
}

void LinkExtractor::showPageLinkCount()
{
    if (m_reporter)
        m_reporter->statusText(MainPanel::Links, QStringLiteral("リンク : ") +
                                                     QString::number(m_pageLinkCount) +
                                                     QStringLiteral("件"));
}
