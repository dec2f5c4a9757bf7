#pragma once

#include "record/picturerecord.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class QThread;
class QTimer;

// What a search for look-alikes found among a list of picture files.
struct LookAlikeResult
{
    // Indexes into the files searched, each group ascending.
    std::vector<std::vector<int>> groups;
    // Every file of a group but its largest (by pixels, then bytes).
    QList<QByteArray> copies;
    // Hashes computed in this search, by file, to be kept in the record.
    QHash<QString, PictureRecord::LookHash> newHashes;
    bool cancelled = false;
};

// Finds the pictures that look alike among result-list files off the UI
// thread: each file's difference hash (a known one is taken while the file
// keeps its size and date), then the groups. Progress is told now and then;
// a cancel stops at the next file and its result is dropped.
class LookAlikeFinder : public QObject
{
    Q_OBJECT
public:
    using Known = QHash<QString, PictureRecord::LookHash>;

    explicit LookAlikeFinder(QObject *parent = nullptr);
    ~LookAlikeFinder() override;

    void start(std::vector<QByteArray> files, Known known);
    void cancel();
    bool isRunning() const { return m_thread != nullptr; }

    // The whole search on the calling thread; `done` counts the files read.
    static LookAlikeResult find(const std::vector<QByteArray> &files, const Known &known,
                                const std::atomic_bool *cancel = nullptr,
                                std::atomic_int *done = nullptr);

signals:
    void progress(int done, int total);
    // Not sent for a cancelled search.
    void finished(const LookAlikeResult &result);

private:
    void threadEnded();

    QThread *m_thread = nullptr;
    QTimer *m_progressTimer;
    std::shared_ptr<std::atomic_bool> m_cancel;
    std::shared_ptr<std::atomic_int> m_done;
    std::shared_ptr<LookAlikeResult> m_result;
    int m_total = 0;
};
