#pragma once

#include <QImage>
#include <QObject>
#include <QString>

class CrawlReporter;
class DocOutput;
class PictureRequest;
class QTimer;
class THTTP;
struct DecodedPicture;

// The single fetch on HTTP0 and its record (page URL, page host, image flag,
// save path). Two roads use it: a page fetched without the browser, whose
// source goes to the source pane, and a picture of the image list, written to
// the transfer file and shown once its transfer has ended whole.
//
// The picture is decoded off the UI thread when TimerGazou fires. It is
// loaded once: a picture that cannot be loaded from a whole transfer is
// reported with the loader's text, and a failed transfer with its reason on
// the error log, and either way the work ends (busyChanged(false)). A page is
// held in memory up to the crawl's page cap; a larger one fails.
class SingleFetch : public QObject
{
    Q_OBJECT
public:
    static constexpr int ShowDelayMs = 200;

    SingleFetch(THTTP *http, QTimer *timerGazou, CrawlReporter *reporter,
                QObject *parent = nullptr);
    ~SingleFetch() override;

    QString pageURL() const { return m_pageURL; }
    QString pageHost() const { return m_pageHost; }
    bool imageFlag() const { return m_imageFlag; }
    QString savePath() const { return m_savePath; }
    // The last page's source, every line break made CR LF.
    QString sourceText() const { return m_source; }

    // The next fetch is a page.
    void clearImageFlag() { m_imageFlag = false; }
    // The next fetch is a picture to be viewed, written to `savePath`.
    void setImageTarget(const QString &savePath);
    // Starts fetching `url` on HTTP0, cancelling a transfer still running;
    // nothing for an empty text.
    void fetch(const QString &url);
    // Ends a transfer or a picture still being loaded, without a report.
    void cancel();

    void TimerGazouTimer();

signals:
    // A transfer has started (true); it has ended, or its picture has been
    // shown or could not be (false).
    void busyChanged(bool busy);
    void sourceCleared();
    void sourceArrived(const QString &text);
    // A page transfer has ended with or without data, or a picture's without
    // data: the end steps of a run.
    void fetchEnded();
    // The downloaded picture, to be shown in a single-image window captioned
    // with `title` and its size.
    void pictureArrived(const QImage &picture, const QString &title);

private:
    void HTTP0DocOutput(const DocOutput &doc);
    void setBusy(bool busy);
    void pictureLoaded(const DecodedPicture &result);

    THTTP *m_http;
    QTimer *m_timerGazou;
    CrawlReporter *m_reporter;
    PictureRequest *m_loader;
    QString m_pageURL;
    QString m_pageHost;
    bool m_imageFlag = false;
    QString m_savePath;
    // The transfer in progress is a picture (the flag may change meanwhile).
    bool m_transferIsImage = false;
    bool m_gotData = false;
    bool m_busy = false;
    QByteArray m_received;
    QString m_source;
};
