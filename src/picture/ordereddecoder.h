#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QThreadPool>

#include <memory>

// Decodes a list of pictures on worker threads, each reduced to cover a box
// or as the box's top-left corner at full scale, and hands the results back
// on the owner's thread strictly in list order: the first failure ends the
// run, and nothing after it is delivered.
class OrderedDecoder : public QObject
{
    Q_OBJECT
public:
    struct Job
    {
        QByteArray path;
        bool skip = false; // takes its place in the order, decodes nothing
    };

    explicit OrderedDecoder(QObject *parent = nullptr);
    ~OrderedDecoder() override;

    enum class Fit { Cover, Corner };

    // Starts a run; a run still going is dropped without further signals.
    // Signals always arrive later, from the event loop, never from start().
    void start(const QList<Job> &jobs, QSize box, Fit fit = Fit::Cover);
    void cancel();
    // Blocks until the worker threads are idle; their deliveries are then
    // queued on this object's thread.
    void waitForWorkers() { m_pool.waitForDone(); }
    bool isRunning() const { return m_run != nullptr; }
    void setMaxThreads(int count) { m_pool.setMaxThreadCount(count); }

signals:
    void pictureReady(int index, const QImage &image);
    void skipped(int index);
    void failed(int index, const QString &error);
    void finished();

private:
    struct Run;
    void decodeOne(const std::shared_ptr<Run> &run, int index);
    void flush(const std::shared_ptr<Run> &run);

    QThreadPool m_pool;
    std::shared_ptr<Run> m_run;
};
