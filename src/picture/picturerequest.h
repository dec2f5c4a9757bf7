#pragma once

#include "pictureloader.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class QThreadPool;

// What a background load hands back: the picture, and for the preview a
// second, unscaled corner of it.
struct DecodedPicture
{
    QByteArray path;
    PictureResult picture;
    QImage corner;
};

// One consumer's background picture loads (a preview pane, a window). Each
// start() makes every earlier load of this object stale: a stale load is asked
// to stop and its result is never delivered. Results arrive as `finished` on
// the thread that owns this object; the images in them are QImages, made off
// that thread, so the receiver alone turns them into pixmaps.
class PictureRequest : public QObject
{
    Q_OBJECT
public:
    using Job = std::function<DecodedPicture(const std::atomic_bool &cancel)>;

    struct Stats
    {
        int started = 0;
        int delivered = 0;
        // Loads that finished or gave up after a newer one replaced them.
        int dropped = 0;
    };

    explicit PictureRequest(QObject *parent = nullptr);
    ~PictureRequest() override;

    // Runs `job` on the picture threads and returns its ticket. A quick
    // `early` job, when given, runs first on the same thread; its result, if
    // ok, comes as `earlyFinished` before the job's own.
    quint64 start(Job job, Job early = {});
    // Makes the running load stale without starting another.
    void cancel();
    // The latest load has not been delivered yet.
    bool isBusy() const { return m_busy; }
    quint64 currentTicket() const { return m_ticket; }
    Stats stats() const { return m_stats; }

    // The threads that decode pictures (a few; never the UI thread).
    static QThreadPool *pool();

    // Ready-made jobs.
    static Job coverJob(const QByteArray &path, QSize box, bool withCorner);
    static Job fullJob(const QByteArray &path);

signals:
    void earlyFinished(quint64 ticket, const DecodedPicture &result);
    void finished(quint64 ticket, const DecodedPicture &result);

private:
    struct Link;
    void deliver(quint64 ticket, const DecodedPicture &result);
    void deliverEarly(quint64 ticket, const DecodedPicture &result);

    std::shared_ptr<Link> m_link;
    std::shared_ptr<std::atomic_bool> m_cancel;
    quint64 m_ticket = 0;
    bool m_busy = false;
    Stats m_stats;
};

Q_DECLARE_METATYPE(DecodedPicture)
