#pragma once

#include "common/searchconditions.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <array>
#include <functional>

class CrawlReporter;
class DocOutput;
class LinkExtractor;
class LinkList;
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
    int state = Ready;
    int ticks = 0;
    bool imageJob = false;
    qsizetype line = -1;
    QByteArray pageHost;
    QByteArray pageURL;
    QByteArray received;
    QString savePath;
};

// The web crawl: six fetch slots stepped by their own timers on the thread
// that owns the engine, the URL list and the image list as work queues, the
// image download with its size and ratio checks, and the run state. The
// conditions are read through `conditions` at each moment of use; progress
// goes to the reporter.
class CrawlEngine : public QObject
{
    Q_OBJECT
public:
    static constexpr int SlotCount = 6;
    static constexpr int TickMs = 300;
    static constexpr qint64 PageCap = 32 * 1024 * 1024;
    static constexpr qint64 ImageCap = qint64(256) * 1024 * 1024;

    enum class CollectStart { Started, NoImages, NoFileSave };

    CrawlEngine(CrawlReporter *reporter, std::function<SearchConditions()> conditions,
                QObject *parent = nullptr);
    ~CrawlEngine() override;

    // The manager every HTTP control of the program shares.
    QNetworkAccessManager *network() const { return m_network; }
    LinkExtractor *links() const { return m_links; }
    // The image list's selection: the lines a collect run downloads.
    QItemSelectionModel *imageSelection() const { return m_imageSelection; }
    // Slot 1 to 6.
    THTTP *http(int slot) const;
    QTimer *timer(int slot) const;

    // Status panels and logs emptied, busy, start time noted, slots free.
    void PrepareRun();
    // A crawl from `startURL` (the text of the start address box).
    void StartCrawl(const QString &startURL);
    // Collect mode for the selected image lines, then PrepareRun; the caller
    // arms the delayed start, which calls StartCrawl.
    CollectStart CollectCommand();
    // The stop command: every timer stops, the run ends as stopped.
    void Stop();
    void FinishRun();
    // The clear-all command's share: lists, cursors and downloaded count.
    void ClearAll();
    // The file list was erased: the downloaded count starts again.
    void resetDownloadedCount() { m_downloadedCount = 0; }

    bool isRunning() const;
    bool pageCrawling() const { return m_pageCrawling; }
    void setPageCrawling(bool on) { m_pageCrawling = on; }
    bool collectMode() const { return m_collectMode; }
    int downloadedCount() const { return m_downloadedCount; }
    int listedCount() const { return m_listedCount; }
    // Seconds since the run was prepared, from a monotonic clock.
    qint64 elapsedSeconds() const;

    // Tests and benchmarks may step the slots faster than the user's 300 ms.
    void setTickInterval(int ms) { m_tickMs = ms; }

signals:
    // The run has ended (all slots done, or stopped).
    void runFinished();

private:
    void StartFreeSlot();
    void TimerTick(FetchSlot &slot);
    bool TakeJob(FetchSlot &slot);
    qsizetype NextImageEntry();
    qsizetype NextPageEntry();
    void StartRequest(FetchSlot &slot);
    void DocOutputEvent(FetchSlot &slot, const DocOutput &doc);
    void logTransferError(const FetchSlot &slot, const DocOutput &doc);
    void followMovedPage(FetchSlot &slot);
    void CutOff(FetchSlot &slot);
    bool WithinLimits(const SearchConditions &conditions);
    void CheckAllEnded();
    void CheckAndListImage(FetchSlot &slot);
    void ResetResults(const SearchConditions &conditions);
    void mark(FetchSlot &slot, int status);
    LinkList &listOf(const FetchSlot &slot) const;

    CrawlReporter *m_reporter;
    std::function<SearchConditions()> m_conditions;
    QNetworkAccessManager *m_network;
    LinkExtractor *m_links;
    QItemSelectionModel *m_imageSelection;
    std::array<FetchSlot, SlotCount> m_slots;

    QByteArray m_startURL;
    QByteArray m_startHost;
    QElapsedTimer m_clock;
    qsizetype m_pageCursor = 0;
    qsizetype m_imageCursor = 0;
    bool m_pageCrawling = true;
    bool m_collectMode = false;
    int m_downloadedCount = 0;
    int m_listedCount = 0;
    int m_tickMs = TickMs;
};
