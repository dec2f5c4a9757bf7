#include "runcontroller.h"

#include "crawl/crawlengine.h"
#include "crawl/crawlreporter.h"
#include "crawl/linkextractor.h"
#include "crawl/singlefetch.h"
#include "crawl/thttp.h"
#include "crawl/urlroutines.h"
#include "crawl/webaddress.h"
#include "disksearch/directorywalk.h"
#include "disksearch/disksearch.h"
#include "disksearch/lookalikefinder.h"
#include "picture/pictureloader.h"
#include "picture/thumbnailcache.h"
#include "record/picturerecord.h"

#include <QDir>
#include <QFile>
#include <QTimer>

RunController::RunController(CrawlReporter *reporter, QObject *parent)
    : QObject(parent), m_reporter(reporter), m_crawl(new CrawlEngine(reporter, this)),
      m_diskSearch(new DiskSearch(this)), m_http0(new THTTP(this, m_crawl->network())),
      m_timerTansaku(new QTimer(this)), m_timerGazou(new QTimer(this)),
      m_record(std::make_unique<PictureRecord>()), m_lookAlikes(new LookAlikeFinder(this))
{
    m_crawl->setRecord(m_record.get());
    // HTTP0 shares the crawl's manager: one connection pool and one proxy.
    m_http0->setObjectName(QStringLiteral("HTTP0"));
    m_timerTansaku->setObjectName(QStringLiteral("TimerTansaku"));
    m_timerTansaku->setSingleShot(true);
    m_timerGazou->setObjectName(QStringLiteral("TimerGazou"));
    m_singleFetch = new SingleFetch(m_http0, m_timerGazou, reporter, this);

    connect(m_timerTansaku, &QTimer::timeout, this, &RunController::TimerTansakuTimer);
    connect(m_crawl, &CrawlEngine::runFinished, this, &RunController::crawlFinished);
    connect(m_diskSearch, &DiskSearch::finished, this, &RunController::walkFinished);
    connect(m_singleFetch, &SingleFetch::busyChanged, this, [this](bool busy) {
        m_fetching = busy;
        updateBusy();
    });
    connect(m_singleFetch, &SingleFetch::fetchEnded, this, &RunController::singleFetchFinished);
    connect(m_lookAlikes, &LookAlikeFinder::progress, this, [this](int done, int total) {
        m_reporter->statusText(MainPanel::Work, QStringLiteral("似た画像 : ") +
                                                    QString::number(done) + QLatin1Char('/') +
                                                    QString::number(total));
    });
    connect(m_lookAlikes, &LookAlikeFinder::finished, this, &RunController::lookAlikesFinished);
}

RunController::~RunController()
{
    // The crawl, a child, goes after the members: it must not keep the record.
    m_crawl->setRecord(nullptr);
}

THTTP *RunController::http(int index) const
{
    return index == 0 ? m_http0 : m_crawl->http(index);
}

RunController::State RunController::state() const
{
    if (m_state == State::Idle && m_fetching)
        return State::SingleFetch;
    return m_state;
}

bool RunController::busy() const
{
    return (m_state != State::Idle && !m_stopRequested) || m_fetching || m_browsing;
}

void RunController::updateBusy()
{
    const bool now = busy();
    if (now == m_shownBusy)
        return;
    m_shownBusy = now;
    emit busyChanged(now);
}

void RunController::setState(State state)
{
    m_state = state;
    if (state == State::Idle) {
        m_stopRequested = false;
        m_pending = Pending::None;
    }
    updateBusy();
}

void RunController::setTarget(Target target)
{
    m_target = target;
    // The indicator going idle has always been how a walk learns of a stop.
    if (m_state == State::Waiting || m_state == State::Walk) {
        m_stopRequested = true;
        m_diskSearch->requestStop();
    }
    updateBusy();
    emit targetChanged(target);
}

void RunController::setConditions(const SearchConditions &conditions)
{
    m_conditions = conditions;
    PictureLoader::setGifDecoding(conditions.extra.gifShow);
    PictureLoader::setUprightDisplay(conditions.extra.orientation);
    ThumbnailCache::setEnabled(conditions.extra.thumbCache);
    m_crawl->setConditions(conditions);
}

void RunController::applyProxy(const ProxyChoice &proxy)
{
    for (int i = 0; i <= CrawlEngine::SlotCount; ++i)
        http(i)->applyProxy(proxy);
}

RunController::Refusal RunController::search(const QString &targetText)
{
    if (targetText.isEmpty())
        return Refusal::NoTarget;
    m_targetText = targetText;
    PrepareRun();
    m_pending = Pending::Search;
    m_timerTansaku->start(StartDelayMs);
    return Refusal::None;
}

RunController::Refusal RunController::collect(const QString &targetText)
{
    if (m_crawl->links()->imageList()->size() == 0)
        return Refusal::NoImages;
    if (!m_conditions.saveToFile)
        return Refusal::NoFileSave;
    m_targetText = targetText;
    PrepareRun();
    m_reporter->statusText(MainPanel::Work, QStringLiteral("画像収集開始.."));
    m_pending = Pending::Collect;
    m_timerTansaku->start(StartDelayMs);
    return Refusal::None;
}

void RunController::PrepareRun()
{
    // A walk still going ends here, without its report: its end steps must
    // not land in the middle of the new run.
    m_diskSearch->cancel();
    m_lookAlikes->cancel();
    m_crawl->PrepareRun();
    m_pending = Pending::None;
    m_stopRequested = false;
    setState(State::Waiting);
}

void RunController::TimerTansakuTimer()
{
    m_timerTansaku->stop();
    const Pending pending = std::exchange(m_pending, Pending::None);
    // A stop pressed during the wait stands: a crawl does not begin, and the
    // walk sees it at its first subdirectory.
    if (m_stopRequested && isWWW()) {
        setState(State::Idle);
        return;
    }
    m_reporter->statusText(MainPanel::Work, QStringLiteral("探索開始..."));
    emit resultListWanted();
    if (!isWWW()) {
        startWalk();
        return;
    }
    makeSaveDirectory();
    const QString url = crawlStartURL(m_targetText);
    m_reporter->slotURL(0, url);
    if (pending == Pending::Collect) {
        setState(State::Collect);
        m_crawl->StartCollect(url);
    } else {
        setState(State::Crawl);
        m_crawl->StartCrawl(url);
    }
}

void RunController::startWalk()
{
    if (m_conditions.clearDiskResults)
        m_reporter->clearFileList();
    if (m_stopRequested)
        m_diskSearch->stopNextWalk();
    setState(State::Walk);
    m_diskSearch->start(searchRootFor(m_targetText), extensionFilters(m_conditions.imageTypes));
}

void RunController::walkFinished(bool stopped)
{
    if (stopped)
        m_reporter->statusText(MainPanel::Progress, QStringLiteral("探索中止"));
    const int found = m_diskSearch->FoundCount();
    if (found != 0) {
        emit resultListWanted();
        m_reporter->statusText(MainPanel::Work, QStringLiteral("検索完了 : ") +
                                                    QString::number(found) + QStringLiteral(" 件"));
    } else {
        m_reporter->statusText(MainPanel::Work, QStringLiteral("検索該当なし"));
    }
    setState(State::Idle);
    emit runEnded();
}

void RunController::crawlFinished()
{
    if (m_state != State::Crawl && m_state != State::Collect)
        return;
    setState(State::Idle);
    emit runEnded();
}

void RunController::Stop()
{
    if (m_state == State::Waiting || m_state == State::Walk) {
        m_stopRequested = true;
        m_diskSearch->requestStop();
    }
    m_singleFetch->cancel();
    if (m_state == State::LookAlikes) {
        m_lookAlikes->cancel();
        setState(State::Idle);
        m_reporter->statusText(MainPanel::Work, QStringLiteral("似た画像 : 中止"));
        emit runEnded();
        return;
    }
    // The crawl's stop runs whatever was going on: its panels say so.
    m_crawl->Stop();
    // Prepared without a start to wait for: nothing is left to run.
    if (m_state == State::Waiting && !m_timerTansaku->isActive())
        setState(State::Idle);
    updateBusy();
}

void RunController::singleFetchFinished()
{
    // The end steps of a run, unless another run is still going: that one
    // reports its own end.
    if (m_state != State::Idle)
        return;
    m_reporter->statusText(MainPanel::Work, QStringLiteral("探索終了"));
    m_reporter->statusText(MainPanel::Time,
                           QString::number(m_crawl->elapsedSeconds()) + QStringLiteral(" 秒"));
}

void RunController::fetchPicture(const QString &url, const QString &savePath)
{
    m_singleFetch->setImageTarget(savePath);
    makeSaveDirectory();
    m_reporter->slotURL(0, url);
    m_singleFetch->fetch(url);
}

RunController::Refusal RunController::viewLinkPicture(const QByteArray &url)
{
    ImageTypes viewable = m_conditions.imageTypes;
    viewable.jpeg = true;
    viewable.gif = m_conditions.extra.gifShow;
    viewable.bmp = false;
    // The extension as the URL writes it: ".JPG" stays ".JPG".
    const QByteArrayView extension = imageExtension(url, viewable, m_conditions.extra.queryType);
    if (extension.isEmpty())
        return Refusal::NotAPicture;
    fetchPicture(DecodeWebText(url),
                 m_conditions.saveDirectory + QStringLiteral("/0000") + DecodeWebText(extension));
    return Refusal::None;
}

void RunController::fetchPage(const QString &url)
{
    m_singleFetch->clearImageFlag();
    m_reporter->slotURL(0, url);
    m_singleFetch->fetch(url);
}

void RunController::setBrowsing(bool browsing)
{
    m_browsing = browsing;
    updateBusy();
}

void RunController::ClearAll()
{
    m_crawl->ClearAll();
}

void RunController::makeSaveDirectory() const
{
    // The first-run folder in the user's pictures is made when first needed;
    // any other save directory is the user's to make.
    const QString directory = m_conditions.saveDirectory;
    if (directory == SearchSetting::picturesSaveDirectory() && !QDir(directory).exists())
        QDir().mkpath(directory);
}

bool RunController::openRecord()
{
    if (!m_conditions.extra.record)
        return false;
    const QString name = m_conditions.extra.recordName.trimmed();
    QStringList errors;
    const bool open =
        m_record->open(PictureRecord::pathFor(name.isEmpty() ? QStringLiteral("Vellisk.db") : name,
                                              m_conditions.saveDirectory),
                       &errors);
    for (const QString &line : errors)
        m_reporter->LogError(line);
    return open;
}

bool RunController::findLookAlikes(std::vector<QByteArray> files)
{
    if (m_state != State::Idle)
        return false;
    // Hashes kept in the record spare reading those pictures again.
    LookAlikeFinder::Known known;
    if (openRecord()) {
        for (const QByteArray &file : files) {
            const QString name = QFile::decodeName(file);
            if (const auto stored = m_record->findLookHash(name))
                known.insert(name, *stored);
        }
    }
    setState(State::LookAlikes);
    m_lookAlikes->start(std::move(files), std::move(known));
    return true;
}

void RunController::lookAlikesFinished(const LookAlikeResult &result)
{
    if (m_state != State::LookAlikes)
        return;
    if (!result.newHashes.isEmpty() && openRecord())
        m_record->addLookHashes(result.newHashes);
    m_reporter->statusText(MainPanel::Work,
                           QStringLiteral("似た画像 : ") + QString::number(result.groups.size()) +
                               QStringLiteral(" 組 ") + QString::number(result.copies.size()) +
                               QStringLiteral(" 件"));
    setState(State::Idle);
    emit lookAlikesFound(result.copies);
    emit runEnded();
}
