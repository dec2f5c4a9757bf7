#include "disksearch.h"

#include "fileremover.h"

#include <QFile>

#include <utility>

DiskSearch::DiskSearch(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<ResultBatch>();
}

DiskSearch::~DiskSearch()
{
    cancel();
}

void DiskSearch::resetCounters()
{
    m_found = 0;
    m_listed = 0;
}

void DiskSearch::requestStop()
{
    if (m_run)
        m_run->stop.store(true);
}

void DiskSearch::cancel()
{
    if (m_run)
        m_run->cancel.store(true);
    joinWorker();
    ++m_generation; // results still queued from the old walk are dropped
    m_running = false;
}

void DiskSearch::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void DiskSearch::start(const QByteArray &searchRoot, const ExtensionFilters &filters)
{
    cancel();
    resetCounters();
    m_run = std::make_shared<Run>();
    m_run->stop.store(std::exchange(m_stopNext, false));
    m_running = true;
    const quint64 generation = m_generation;
    auto run = m_run;
    // Every hand-over is posted to this object, so it arrives on the owner's
    // thread in the order the walk produced it, and is discarded with it.
    auto post = [this, generation](auto &&function) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, function = std::forward<decltype(function)>(function)]() mutable {
                if (generation == m_generation)
                    function();
            },
            Qt::QueuedConnection);
    };
    m_worker = std::thread([this, run, searchRoot, filters, post] {
        DirectoryWalk walk(searchRoot, filters);
        walk.setCancelFlag(&run->cancel);
        walk.setStopCheck([run] { return run->stop.load(std::memory_order_relaxed); });
        walk.setBatchHandler([post, this](ResultBatch &batch) {
            post([this, batch = std::move(batch)] {
                m_listed += int(batch.count());
                emit entriesFound(batch);
            });
        });
        walk.setErrorHandler([post, this](const QByteArray &path, int error) {
            const QString line =
                IoErrorText(error) + QStringLiteral(" : ") + QFile::decodeName(path);
            post([this, line] { emit fileError(line); });
        });
        FileRemover::waitForPending(&run->cancel);
        walk.run();
        if (walk.cancelled())
            return;
        post([this, found = walk.FoundCount(), listed = walk.ListedCount(),
              stopped = walk.stopped()] {
            joinWorker();
            m_running = false;
            m_found = found;
            m_listed = listed;
            emit finished(stopped);
        });
    });
}
