#pragma once

#include <QThread>

class TArCntrl;

// The worker that keeps retrying arrays whose elements could not all be
// wired when their window finished loading. It never touches a control: each
// attempt runs on the user-interface thread while the worker waits for it.
class TEventSetThread : public QThread
{
    Q_OBJECT
public:
    TEventSetThread() = default;

protected:
    void run() override;

private:
    // Hands the wiring of `array` to the UI thread and waits; false when the
    // worker was told to end meanwhile.
    bool wireOnUiThread(TArCntrl *array, bool *allWired);

    bool m_done = false;
    int m_index = 0;
};

// The process-wide list of arrays still waiting to be wired.
namespace PendingArrays {
// UI thread: appends the array, starting a worker when none is running.
void append(TArCntrl *array);
// UI thread: an array going away leaves the list.
void remove(TArCntrl *array);
bool contains(const TArCntrl *array);
int count();
// How many workers have been started since the program began.
int workersStarted();
// Whether a worker is running now.
bool workerRunning();
} // namespace PendingArrays
