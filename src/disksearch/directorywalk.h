#pragma once

#include "resultentry.h"

#include "common/searchconditions.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>

// The extensions a disk search lists: ".jpg", ".gif", ".bmp", and with the
// extras ".png", ".webp", ".avif" and ".jpeg", ".jpe", ".jfif"; empty for a
// type that is not selected (an empty filter matches nothing).
using ExtensionFilters = std::array<QByteArray, 9>;
ExtensionFilters extensionFilters(bool jpeg, bool gif, bool bmp);
ExtensionFilters extensionFilters(const ImageTypes &types);

// The root of a walk with the separator that joins it to relative names: "/"
// stays as it is, any other directory gets "/" appended (so "/pics/" gives
// paths with a doubled separator).
QByteArray searchRootFor(const QString &directoryText);

// True when the name's extension (from its last ".") equals one of the
// filters, letters A-Z folded to a-z.
bool matchesExtension(const char *name, size_t length, const ExtensionFilters &filters);

// One directory walk, run synchronously on the calling thread. It visits the
// tree depth first in the order the directory enumeration gives, skips
// directories whose name begins with ".", does not follow symbolic links to
// directories, passes over directories it cannot open, and lists each
// matching file that can be read as a result line. Only matches are looked
// at.
class DirectoryWalk
{
public:
    DirectoryWalk(QByteArray searchRoot, ExtensionFilters filters);

    // Receives the lines found so far, in walk order; the batch may be moved from.
    void setBatchHandler(std::function<void(ResultBatch &)> handler)
    {
        m_onBatch = std::move(handler);
    }
    // A matching file that may not be read or whose size could not be read:
    // its full path and errno. It is neither listed nor counted.
    void setErrorHandler(std::function<void(const QByteArray &, int)> handler)
    {
        m_onError = std::move(handler);
    }
    // Asked before entering each subdirectory; true ends the whole walk there.
    void setStopCheck(std::function<bool()> check) { m_stopCheck = std::move(check); }
    // Looked at before every entry: ends the walk at once, without a batch.
    void setCancelFlag(const std::atomic<bool> *flag) { m_cancel = flag; }
    // A batch is handed over when it holds `lines` lines or is `interval` old.
    void setBatchLimits(int lines, std::chrono::milliseconds interval);

    void run();

    int FoundCount() const { return m_found; }
    int ListedCount() const { return m_listed; }
    bool stopped() const { return m_stopped; }
    bool cancelled() const { return m_cancelled; }

private:
    // False when the walk has ended (stop or cancel) and every level returns.
    bool WalkDirectory(int fd);
    void AddFileEntry(int dirFd, const char *name, size_t length);
    void reportError(const char *name, size_t length, int error);
    void flush();
    void flushIfDue();

    QByteArray m_root;
    ExtensionFilters m_filters;
    QByteArray m_path; // root plus the relative directory being walked
    ResultBatch m_batch;
    std::function<void(ResultBatch &)> m_onBatch;
    std::function<void(const QByteArray &, int)> m_onError;
    std::function<bool()> m_stopCheck;
    const std::atomic<bool> *m_cancel = nullptr;
    int m_batchLines = 4096;
    std::chrono::milliseconds m_batchInterval{25};
    std::chrono::steady_clock::time_point m_batchStart;
    int m_found = 0;
    int m_listed = 0;
    bool m_stopped = false;
    bool m_cancelled = false;
};
