#pragma once

#include "common/searchconditions.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class CrawlEngine;
class CrawlReporter;
class DiskSearch;
class LookAlikeFinder;
class PictureRecord;
struct LookAlikeResult;
class QTimer;
class SingleFetch;
class THTTP;

// The owner of every run: the directory walk, the crawl, the collect run and
// the single fetch. It holds the search-target mode, the run state, stop
// requests and the deferred start, creates the three workers and decides
// what each command does; the window shows what it reports (panel texts and
// log lines through the reporter, the busy state and the target mode through
// signals) and never reads run state back out of its controls.
class RunController : public QObject
{
    Q_OBJECT
public:
    enum class Target { HardDisk, WWW };
    enum class State { Idle, Waiting, Walk, Crawl, Collect, SingleFetch, LookAlikes };
    // Why a command did not start.
    enum class Refusal { None, NoTarget, NoImages, NoFileSave, NotAPicture };

    // The click returns and the window repaints before the work begins.
    static constexpr int StartDelayMs = 10;

    explicit RunController(CrawlReporter *reporter, QObject *parent = nullptr);
    ~RunController() override;

    CrawlEngine *crawl() const { return m_crawl; }
    DiskSearch *diskSearch() const { return m_diskSearch; }
    SingleFetch *singleFetch() const { return m_singleFetch; }
    // HTTP0 (the single fetch's) and the crawl's HTTP1 ... HTTP6.
    THTTP *http(int index) const;

    Target target() const { return m_target; }
    bool isWWW() const { return m_target == Target::WWW; }
    // A mode switch is also a stop request for a walk or a start still
    // waiting; a crawl goes on.
    void setTarget(Target target);

    State state() const;
    // What the busy indicator shows: a run that has not been stopped, a
    // single fetch, or a page the browser is loading.
    bool busy() const;

    // The latest search conditions; the crawl keeps its own copy.
    const SearchConditions &conditions() const { return m_conditions; }
    void setConditions(const SearchConditions &conditions);
    // The proxy for all seven HTTP controls.
    void applyProxy(const ProxyChoice &proxy);

    // The search command on the text of the target box: a walk of that
    // directory or a crawl from that address, after the deferred start.
    Refusal search(const QString &targetText);
    // The collect command: the selected image lines, after the deferred start.
    Refusal collect(const QString &targetText);
    // Status panels and logs emptied, busy, start time noted, slots free.
    void PrepareRun();
    // The stop command.
    void Stop();
    // The deferred start fires: the walk or the crawl begins.
    void TimerTansakuTimer();

    // A picture of the image list, fetched on HTTP0 into `savePath`.
    void fetchPicture(const QString &url, const QString &savePath);
    // An image-list line shown in a single-image window: fetched on HTTP0 into
    // the save directory as "0000" and its extension. A JPEG, or a picture of
    // a type the extras select and the viewer reads.
    Refusal viewLinkPicture(const QByteArray &url);
    // A page fetched on HTTP0 without the browser (a proxy is in use).
    void fetchPage(const QString &url);
    // The browser pane's retrievals show on the busy indicator.
    void setBrowsing(bool browsing);

    // The clear-all command's share: the crawl's lists, cursors and count.
    void ClearAll();

    // "似た画像を選ぶ": the look-alikes among `files` (the result list's), off
    // the UI thread; lookAlikesFound tells which to select. Refused (false)
    // while another run goes on. The stop command cancels it.
    bool findLookAlikes(std::vector<QByteArray> files);
    // The record of saved pictures the crawl and the look-alikes use.
    PictureRecord *record() const { return m_record.get(); }

signals:
    void busyChanged(bool busy);
    void targetChanged(RunController::Target target);
    // The file list comes to the front: a run begins, or a walk found files.
    void resultListWanted();
    // A run of any kind has ended.
    void runEnded();
    // Every look-alike but the largest of its group, as file paths.
    void lookAlikesFound(const QList<QByteArray> &copies);

private:
    enum class Pending { None, Search, Collect };

    void setState(State state);
    void updateBusy();
    void startWalk();
    void walkFinished(bool stopped);
    void crawlFinished();
    void singleFetchFinished();
    void makeSaveDirectory() const;
    bool openRecord();
    void lookAlikesFinished(const LookAlikeResult &result);

    CrawlReporter *m_reporter;
    CrawlEngine *m_crawl;
    DiskSearch *m_diskSearch;
    THTTP *m_http0;
    QTimer *m_timerTansaku;
    QTimer *m_timerGazou;
    SingleFetch *m_singleFetch;
    SearchConditions m_conditions;
    std::unique_ptr<PictureRecord> m_record;
    LookAlikeFinder *m_lookAlikes;

    Target m_target = Target::HardDisk;
    State m_state = State::Idle;
    Pending m_pending = Pending::None;
    QString m_targetText;
    // The stop command (or a mode switch) came while the run was waiting to
    // start or walking: it shows idle from then on.
    bool m_stopRequested = false;
    bool m_fetching = false;
    bool m_browsing = false;
    bool m_shownBusy = false;
};
