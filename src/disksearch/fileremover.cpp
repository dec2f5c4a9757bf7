#include "fileremover.h"

#include <QThreadPool>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unistd.h>

namespace {
std::mutex mutex;
std::condition_variable done;
int pending = 0;
} // namespace

namespace FileRemover {

void removeInBackground(std::vector<QByteArray> paths)
{
    if (paths.empty())
        return;
    {
        const std::lock_guard lock(mutex);
        ++pending;
    }
    // The global pool waits for its tasks when the program ends, so a
    // deletion that was asked for is carried out.
    QThreadPool::globalInstance()->start([paths = std::move(paths)] {
        for (const QByteArray &path : paths)
            ::unlink(path.constData());
        const std::lock_guard lock(mutex);
        --pending;
        done.notify_all();
    });
}

void waitForPending(const std::atomic<bool> *cancel)
{
    std::unique_lock lock(mutex);
    while (!done.wait_for(lock, std::chrono::milliseconds(20), [] { return pending == 0; })) {
        if (cancel != nullptr && cancel->load())
            return;
    }
}

} // namespace FileRemover
