#pragma once

#include "common/searchconditions.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>

#include <array>
#include <optional>

class CookieMirror;
class CrawlReporter;
class DocOutput;
class LinkExtractor;
class LinkList;
class Politeness;
class PictureRecord;
class QItemSelectionModel;
class QNetworkAccessManager;
class QTimer;
class THTTP;

// One of the six crawl slots: its HTTP control, its timer and the job it is
// working on.
struct FetchSlot
{
    enum State { Ready = 0, Taking = 1, Waiting = 2, Received = 3, Empty = 4, Finished = 5 };

    int number = 0;
    THTTP *http = nullptr;
    QTimer *timer = nullptr;
    bool free = true;
    State state = Ready;
    int ticks = 0;
    bool imageJob = false;
    // An image address without a known type: the server's type names it.
    bool typeFromServer = false;
    qsizetype line = -1;
    QByteArray pageHost;
    QByteArray pageURL;
    QByteArray received;
    QString savePath;
    // The SHA-256 of the saved file, once the record has needed it.
    QByteArray sha256;
};

// The web crawl: six fetch slots stepped by their own timers on the thread
// that owns the engine, the URL list and the image list as work queues, the
// image download with its size and ratio checks, and the run state. It keeps
// the latest conditions it was given (setConditions), so a change made during
// a run is seen at the next moment of use; progress goes to the reporter.
class CrawlEngine : public QObject
{
    Q_OBJECT
public:
    static constexpr int SlotCount = 6;
    static constexpr int TickMs = 300;
    static constexpr qint64 PageCap = 32 * 1024 * 1024;
    static constexpr qint64 ImageCap = qint64(256) * 1024 * 1024;

    explicit CrawlEngine(CrawlReporter *reporter, QObject *parent = nullptr);
    ~CrawlEngine() override;

    // The manager every HTTP control of the program shares.
    QNetworkAccessManager *network() const { return m_network; }
    LinkExtractor *links() const { return m_links; }
    // The image list's selection: the lines a collect run downloads.
    QItemSelectionModel *imageSelection() const { return m_imageSelection; }
    // The jar that copies the browser's cookies; the crawl's own while
    // CheckBrowserCookies is on at a run's start.
    CookieMirror *browserCookies() const { return m_cookies; }
    // Slot 1 to 6.
    THTTP *http(int slot) const;
    QTimer *timer(int slot) const;

    const SearchConditions &conditions() const { return m_conditions; }
    void setConditions(const SearchConditions &conditions) { m_conditions = conditions; }

    // Status panels and logs emptied, start time noted, slots free, and
    // transfers left from an earlier run cancelled.
    void PrepareRun();
    // A crawl from `startURL` (the text of the start address box).
    void StartCrawl(const QString &startURL);
    // A collect run: only the selected image lines are downloaded, whatever
    // their status, and no page is fetched.
    void StartCollect(const QString &startURL);
    // The stop command: every timer stops, the run ends as stopped. Transfers
    // in progress are left to end; no tick takes their data any more.
    void Stop();
    // The clear-all command's share: lists, cursors and downloaded count.
    void ClearAll();
    // The file list was erased: the downloaded count starts again.
    void resetDownloadedCount() { m_downloadedCount = 0; }

    bool isRunning() const;
    // Slots take page jobs unless a collect run goes on.
    bool pageCrawling() const { return !m_collectMode; }
    bool collectMode() const { return m_collectMode; }
    int downloadedCount() const { return m_downloadedCount; }
    int listedCount() const { return m_listedCount; }
    // Seconds since the run was prepared, from a monotonic clock.
    qint64 elapsedSeconds() const;

    // Tests and benchmarks may step the slots faster than the user's 300 ms.
    void setTickInterval(int ms) { m_tickMs = ms; }

    // The record of saved pictures, used while the settings switch it on.
    void setRecord(PictureRecord *record) { m_record = record; }

signals:
    // The run has ended (all slots done, or stopped).
    void runFinished();
    // A run starts with the browser's cookies: the browser's store must be
    // open to fill browserCookies().
    void browserCookiesWanted();

private:
    void startRun(const QString &startURL, bool collect);
    void FinishRun();
    void StartFreeSlot();
    void TimerTick(FetchSlot &slot);
    bool TakeJob(FetchSlot &slot);
    qsizetype NextImageEntry();
    qsizetype NextPageEntry();
    void StartRequest(FetchSlot &slot);
    // crawlengine_polite.cpp
    bool heldBack(FetchSlot &slot, LinkList &list, qsizetype row);
    void addCourtesy(FetchSlot &slot);
    bool putBack(FetchSlot &slot);
    void useBrowserCookies(bool on);
    void DocOutputEvent(FetchSlot &slot, const DocOutput &doc);
    void logTransferError(const FetchSlot &slot, const DocOutput &doc);
    void followMovedPage(FetchSlot &slot);
    void CutOff(FetchSlot &slot);
    bool WithinLimits();
    void CheckAllEnded();
    void CheckAndListImage(FetchSlot &slot);
    bool IsPicture(FetchSlot &slot);
    void refusePicture(FetchSlot &slot, const QString &what);
    void ResetResults();
    void mark(FetchSlot &slot, int status);
    LinkList &listOf(const FetchSlot &slot) const;
    void listPicture(const QString &file, qint64 size);

    // crawlrecord.cpp: the record of saved pictures.
    void openRecord();
    bool recordInUse() const;
    void skipRecordedImages();
    int entryNumber(qsizetype row);
    bool dropSameContent(FetchSlot &slot);
    void recordListed(FetchSlot &slot, qint64 size);

    CrawlReporter *m_reporter;
    SearchConditions m_conditions;
    QNetworkAccessManager *m_network;
    LinkExtractor *m_links;
    QItemSelectionModel *m_imageSelection;
    Politeness *m_polite;
    CookieMirror *m_cookies;
    std::array<FetchSlot, SlotCount> m_slots;

    QByteArray m_startURL;
    QByteArray m_startHost;
    QElapsedTimer m_clock;
    qsizetype m_pageCursor = 0;
    qsizetype m_imageCursor = 0;
    bool m_collectMode = false;
    int m_downloadedCount = 0;
    int m_listedCount = 0;
    int m_tickMs = TickMs;

    PictureRecord *m_record = nullptr;
    // Files listed in this run from the record: each is listed once.
    QSet<QString> m_listedFiles;
    // The highest entry number in use, found at the run's first picture.
    std::optional<int> m_lastNumber;
};
