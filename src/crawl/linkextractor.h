#pragma once

#include "linklist.h"
#include "urlroutines.h"

#include <QObject>

class CrawlReporter;

// A fetched page as a crawl slot hands it over: the slot's number and the
// page host and page URL it recorded when it took the job, and its row in
// the URL list (-1 when it has none), noted as the source of its images.
struct CrawlPage
{
    int slot = 0;
    QByteArray host;
    QByteArray url;
    qsizetype row = -1;
};

// What a list row holds: its status (a LinkList::Status, or -1 for a row
// that is not in the list) and its URL.
struct ListEntry
{
    int status = -1;
    QByteArray url;
};

// The URL as the lists hold and compare it: normalised, then trimmed.
QByteArray entryKey(QByteArray url);

// The crawl's two work queues, the URL list and the image list, and the
// routines that read, add and re-mark their lines and fill them from pages.
class LinkExtractor : public QObject
{
    Q_OBJECT
public:
    explicit LinkExtractor(QObject *parent = nullptr);
    ~LinkExtractor() override;

    // Where panel texts and log lines go; null reports nothing.
    void setReporter(CrawlReporter *reporter) { m_reporter = reporter; }

    LinkList *urlList() const { return m_urlList; }
    LinkList *imageList() const { return m_imageList; }
    void clearLists();

    // Page links added since the counter was last reset (one crawl run).
    int pageLinkCount() const { return m_pageLinkCount; }
    void resetPageLinkCount() { m_pageLinkCount = 0; }

    // Reads a row's status and URL and shows its line in slot panel 5.
    ListEntry ReadEntry(LinkList &list, qsizetype row);
    // Normalises and trims `url` and appends it as a new entry, unless it is
    // empty or already listed. True when a line was added.
    bool AddEntry(LinkList &list, QByteArrayView url);
    // Sets a row's status (a LinkList::Status); an image-list line is also
    // logged as it now reads. False for a row or status out of range.
    bool MarkEntry(LinkList &list, qsizetype row, int status);

    // Adds the page links and image links of a fetched page's source. With
    // every box of `extra` off the page is read as it always was; with one
    // on, PagePictureReader reads it. With extra.contentType the image list
    // may take addresses without a picture extension: imageExtension() of
    // such a line's URL is empty, and the server's Content-Type decides.
    void ExtractLinks(const CrawlPage &page, QByteArrayView source, ImageTypes types,
                      const ExtraSettings &extra = {});
    bool AddPageLink(const CrawlPage &page, QByteArrayView link);
    bool AddImageLink(const CrawlPage &page, QByteArrayView link);

private:
    struct PageLinks;
    // A link found on a page, resolved and queued for its list.
    bool takePageLink(PageLinks &page, QByteArrayView link);
    bool takeImageLink(PageLinks &page, QByteArrayView link);
    void readExtended(PageLinks &page, QByteArrayView source, ImageTypes types,
                      const ExtraSettings &extra);
    bool queueEntry(PageLinks &page, LinkList &list, QByteArray url, bool pageLink);
    bool commitEntry(PageLinks &page, LinkList &list, const QByteArray &key, quint32 hash,
                     bool pageLink);
    void flushPending(PageLinks &page);
    void showPageLinkCount();

    CrawlReporter *m_reporter = nullptr;
    LinkList *m_urlList;
    LinkList *m_imageList;
    int m_pageLinkCount = 0;
};
