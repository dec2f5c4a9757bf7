#pragma once

#include "directorywalk.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <thread>

// Runs a directory walk on a thread of its own and delivers what it finds on
// the owner's thread, in walk order: batches of result lines, errors, and
// one `finished` at the end. A stop is seen by the walk at its next
// subdirectory; a cancel ends it at once and drops whatever it has not yet
// delivered.
class DiskSearch : public QObject
{
    Q_OBJECT
public:
    explicit DiskSearch(QObject *parent = nullptr);
    ~DiskSearch() override;

    // Ends a walk that still runs (as `cancel`) and starts a new one.
    void start(const QByteArray &searchRoot, const ExtensionFilters &filters);
    void requestStop();
    // A stop given before the walk has begun: the walk of the next start()
    // ends at its first subdirectory.
    void stopNextWalk() { m_stopNext = true; }
    void cancel();
    bool isRunning() const { return m_running; }

    // Counters of the current search, as far as it has been delivered.
    int FoundCount() const { return m_found; }
    int ListedCount() const { return m_listed; }
    void resetCounters();

signals:
    void entriesFound(const ResultBatch &batch);
    // A matching file that could not be read: error text and path.
    void fileError(const QString &line);
    void finished(bool stopped);

private:
    struct Run
    {
        std::atomic<bool> stop{false};
        std::atomic<bool> cancel{false};
    };
    void joinWorker();

    std::shared_ptr<Run> m_run;
    std::thread m_worker;
    quint64 m_generation = 0;
    bool m_running = false;
    bool m_stopNext = false;
    int m_found = 0;
    int m_listed = 0;
};
