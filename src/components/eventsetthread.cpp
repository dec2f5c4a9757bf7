#include "eventsetthread.h"

#include "arrctrl.h"

#include <QCoreApplication>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>

#include <atomic>
#include <memory>
#include <vector>

namespace {

// The pending list and its workers. The UI thread appends (holding the mutex,
// which keeps the worker from touching the list meanwhile); the worker removes
// between hand-overs.
struct PendingState
{
    QMutex mutex;
    QList<TArCntrl *> arrays;
    TEventSetThread *worker = nullptr; // the current one, if any
    bool workerEnding = false;         // it found the list empty and is leaving
    std::vector<std::unique_ptr<TEventSetThread>> workers;
    std::unique_ptr<QObject> uiContext; // lives on the UI thread; hand-overs run there
    int started = 0;

    ~PendingState()
    {
        // Program end: every worker is told to stop; none waits on the UI any more.
        for (auto &worker : workers)
            worker->requestInterruption();
        for (auto &worker : workers)
            worker->wait();
    }
};

PendingState &state()
{
    static PendingState s;
    return s;
}

// A hand-over between the worker and the UI thread; shared so that a worker
// that gives up waiting leaves nothing dangling.
struct HandOver
{
    QSemaphore finished;
    std::atomic<bool> abandoned{false};
    bool allWired = false;
};

} // namespace

void TEventSetThread::run()
{
    PendingState &s = state();
    m_index = 0;
    for (;;) {
        TArCntrl *array = nullptr;
        bool wrapped = false;
        {
            QMutexLocker lock(&s.mutex);
            if (isInterruptionRequested() || s.arrays.isEmpty()) {
                if (s.worker == this)
                    s.workerEnding = true;
                return;
            }
            if (m_index >= s.arrays.size()) {
                m_index = 0;
                wrapped = true;
            }
            array = s.arrays.at(m_index);
        }
        // One pass over the list per 20 ms at most: an element that stays
        // missing must not keep a core and the UI thread busy.
        if (wrapped)
            QThread::msleep(20);
        if (!wireOnUiThread(array, &m_done))
            return;
        QMutexLocker lock(&s.mutex);
        if (m_done) {
            if (m_index < s.arrays.size() && s.arrays.at(m_index) == array)
                s.arrays.removeAt(m_index);
            else
                s.arrays.removeOne(array);
        } else {
            ++m_index;
        }
    }
}

bool TEventSetThread::wireOnUiThread(TArCntrl *array, bool *allWired)
{
    PendingState &s = state();
    auto handOver = std::make_shared<HandOver>();
    QObject *context = s.uiContext.get();
    if (context == nullptr)
        return false;
    QMetaObject::invokeMethod(
        context,
        [handOver, array] {
            if (!handOver->abandoned) {
                PendingState &s = state();
                bool listed;
                {
                    QMutexLocker lock(&s.mutex);
                    listed = s.arrays.contains(array);
                }
                // Arrays are destroyed on this thread only, so a listed one
                // stays alive while it is wired here.
                handOver->allWired = listed ? array->wireAllElements() : true;
            }
            handOver->finished.release();
        },
        Qt::QueuedConnection);
    while (!handOver->finished.tryAcquire(1, 50)) {
        if (isInterruptionRequested()) {
            handOver->abandoned = true;
            return false;
        }
    }
    *allWired = handOver->allWired;
    return true;
}

namespace PendingArrays {

void append(TArCntrl *array)
{
    PendingState &s = state();
    QMutexLocker lock(&s.mutex);
    if (!s.arrays.contains(array))
        s.arrays.append(array);
    if (s.worker != nullptr && !s.workerEnding && !s.worker->isFinished())
        return;
    if (s.worker != nullptr)
        s.worker->wait();
    if (s.uiContext == nullptr)
        s.uiContext = std::make_unique<QObject>();
    // A worker that has finished its list is gone for good: start another.
    std::erase_if(s.workers,
                  [](const std::unique_ptr<TEventSetThread> &w) { return w->isFinished(); });
    auto worker = std::make_unique<TEventSetThread>();
    worker->setObjectName(QStringLiteral("TEventSetThread"));
    s.worker = worker.get();
    s.workerEnding = false;
    ++s.started;
    s.workers.push_back(std::move(worker));
    s.worker->start();
}

void remove(TArCntrl *array)
{
    PendingState &s = state();
    QMutexLocker lock(&s.mutex);
    s.arrays.removeAll(array);
}

bool contains(const TArCntrl *array)
{
    PendingState &s = state();
    QMutexLocker lock(&s.mutex);
    return s.arrays.contains(const_cast<TArCntrl *>(array));
}

int count()
{
    PendingState &s = state();
    QMutexLocker lock(&s.mutex);
    return int(s.arrays.size());
}

int workersStarted()
{
    PendingState &s = state();
    QMutexLocker lock(&s.mutex);
    return s.started;
}

bool workerRunning()
{
    PendingState &s = state();
    QMutexLocker lock(&s.mutex);
    return s.worker != nullptr && !s.workerEnding && !s.worker->isFinished();
}

} // namespace PendingArrays
