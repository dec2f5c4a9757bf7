#pragma once

#include <QByteArray>

#include <atomic>
#include <vector>

// Deletes files for good on a worker thread, so that deleting many list
// entries never holds the window up on the disk. Whether a file went is not
// reported: a file that cannot be deleted stays where it is.
namespace FileRemover {

void removeInBackground(std::vector<QByteArray> paths);
// Returns when every removal handed over so far has been done, or soon after
// `cancel` is set; a walk waits for it so that it never lists a file that is
// about to go.
void waitForPending(const std::atomic<bool> *cancel = nullptr);

} // namespace FileRemover
