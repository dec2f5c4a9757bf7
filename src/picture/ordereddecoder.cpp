#include "ordereddecoder.h"

#include "pictureloader.h"
#include "thumbnailcache.h"

#include <QRunnable>
#include <QThread>

#include <atomic>
#include <optional>

struct OrderedDecoder::Run
{
    explicit Run(const QList<Job> &list) : jobs(list) {}

    // Const: the workers read it at the same time, and a non-const access
    // to a list shared with the caller's copy would detach it under them.
    const QList<Job> jobs;
    QSize box;
    Fit fit = Fit::Cover;
    std::atomic_bool cancel{false};
    // Filled in any order by the workers' deliveries (on the owner's thread).
    QList<std::optional<PictureResult>> results;
    int next = 0;
};

OrderedDecoder::OrderedDecoder(QObject *parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
}

OrderedDecoder::~OrderedDecoder()
{
    cancel();
    // Deliveries already posted to this object die with it.
    m_pool.waitForDone();
}

void OrderedDecoder::cancel()
{
    if (m_run != nullptr)
        m_run->cancel = true;
    m_run.reset();
}

void OrderedDecoder::start(const QList<Job> &jobs, QSize box, Fit fit)
{
    cancel();
    auto run = std::make_shared<Run>(jobs);
    run->box = QSize(qMax(1, box.width()), qMax(1, box.height()));
    run->fit = fit;
    run->results.resize(jobs.size());
    m_run = run;
    for (int i = 0; i < jobs.size(); ++i) {
        if (jobs[i].skip)
            continue;
        m_pool.start([this, run, i] { decodeOne(run, i); });
    }
    // Skipped entries and an empty list still report from the event loop.
    QMetaObject::invokeMethod(
        this, [this, run] { flush(run); }, Qt::QueuedConnection);
}

void OrderedDecoder::decodeOne(const std::shared_ptr<Run> &run, int index)
{
    PictureResult result;
    if (run->cancel) {
        result.cancelled = true;
    } else if (run->fit == Fit::Corner) {
        result = PictureLoader::decodeTopLeft(run->jobs[index].path, run->box, &run->cancel);
    } else {
        // A shared thumbnail or a camera's own, when it covers the cell,
        // spares the decode.
        result = ThumbnailCache::coverThroughCache(run->jobs[index].path, run->box, &run->cancel);
        // The reduced decode may still be several times the cell; keep only
        // what covers the cell, so 60 cells stay a few megabytes.
        if (result.ok && !result.image.isNull()) {
            const QSize cover =
                result.image.size().scaled(run->box, Qt::KeepAspectRatioByExpanding);
            if (cover.width() < result.image.width() && cover.height() < result.image.height())
                result.image =
                    result.image.scaled(cover, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
    }
    QMetaObject::invokeMethod(
        this,
        [this, run, index, result = std::move(result)]() mutable {
            if (run != m_run)
                return;
            run->results[index] = std::move(result);
            flush(run);
        },
        Qt::QueuedConnection);
}

void OrderedDecoder::flush(const std::shared_ptr<Run> &run)
{
    while (run == m_run && run->next < run->jobs.size()) {
        const int index = run->next;
        if (run->jobs[index].skip) {
            ++run->next;
            emit skipped(index);
            continue;
        }
        std::optional<PictureResult> &slot = run->results[index];
        if (!slot.has_value())
            return;
        PictureResult result = std::move(*slot);
        slot.reset();
        ++run->next;
        if (!result.ok) {
            // The run ends before anyone hears of the failure, so a handler
            // that waits in a message box receives nothing more.
            cancel();
            emit failed(index, result.error);
            return;
        }
        emit pictureReady(index, result.image);
    }
    if (run == m_run && run->next >= run->jobs.size()) {
        m_run.reset();
        emit finished();
    }
}
