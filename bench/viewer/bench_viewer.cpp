// Preview and picture loading figures, each against a reference measured in
// the same run on JPEGs made here: a 6000 × 4000 (24-megapixel) photo-like
// picture and a few variants of it for browsing.
#include "benchreport.h"

#include "disksearch/resultentry.h"
#include "disksearch/resultlistpane.h"
#include "picture/pictureloader.h"
#include "picture/picturerequest.h"
#include "picturefiles.h"
#include "processmemory.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"
#include "viewer/previewpane.h"
#include "viewer/tformview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListView>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <vector>

namespace {

constexpr int Width = 6000;
constexpr int Height = 4000;

// Starts a new peak at the current resident size; returns that size.
qint64 resetPeak()
{
    malloc_trim(0);
    ProcessMemory::resetPeakResident();
    return ProcessMemory::residentKb();
}

// Runs the event loop, asleep between events, until `done` holds. The
// handlers themselves note the times measured, so polling adds nothing.
bool waitFor(const std::function<bool()> &done, int timeoutMs = 10000)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return done();
}

// Measures what a preview costs on the UI thread: the click itself and the
// handling of the decoded picture when it arrives (pixmap, fit, repaint).
class UiClock : public QObject
{
public:
    explicit UiClock(PictureRequest *request) { request->installEventFilter(this); }
    qint64 arrivedAt = -1;
    QElapsedTimer clock;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MetaCall && arrivedAt < 0)
            arrivedAt = clock.nsecsElapsed();
        return false;
    }
};

struct Program
{
    std::unique_ptr<AppWindows> windows;
    TFormMain *main = nullptr;
    ResultListPane *list = nullptr;
    PreviewPane *preview = nullptr;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    // The program's settings go to a scratch place, never the user's.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));

    std::vector<QByteArray> photos;
    for (quint32 i = 0; i < 4; ++i) {
        const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i));
        if (!PictureFiles::write(path, PictureFiles::photoLike(Width, Height, 7 + i)))
            return 1;
        photos.push_back(QFile::encodeName(path));
    }
    const QByteArray photo = photos.front();

    Program p;
    p.windows = createWindows();
    p.main = p.windows->main();
    p.list = p.main->resultList();
    p.preview = p.main->preview();
    for (int i = 0; i <= 50; ++i)
        p.list->appendEntry(ResultEntry::format(0, 9000000, photos[size_t(i) % photos.size()]));
    QCoreApplication::processEvents();

    // Preview click against QImage loading the same file full size.
    std::vector<double> qimageMs, previewMs, uiMs;
    int shown = 0;
    QObject::connect(p.preview, &PreviewPane::pictureShown, p.preview, [&] { ++shown; });
    for (int round = 0; round < 9; ++round) {
        QElapsedTimer clock;
        clock.start();
        QImage full(QFile::decodeName(photo));
        qimageMs.push_back(clock.nsecsElapsed() / 1e6);
        if (full.isNull())
            return 1;
        full = QImage();

        p.list->selectEntry(round % 2 == 0 ? 0 : 4); // both entries are the same file
        UiClock ui(p.preview->loader());
        const int before = shown;
        ui.clock.start();
        p.main->ListImageClick();
        const qint64 clickNs = ui.clock.nsecsElapsed();
        qint64 shownAt = -1;
        auto connection = QObject::connect(p.preview, &PreviewPane::pictureShown, p.preview, [&] {
            p.preview->repaint();
            shownAt = ui.clock.nsecsElapsed();
        });
        if (!waitFor([&] { return shown > before && shownAt >= 0; }))
            return 1;
        QObject::disconnect(connection);
        previewMs.push_back(shownAt / 1e6);
        uiMs.push_back((clickNs + (shownAt - ui.arrivedAt)) / 1e6);
    }
    const double qimage = median(qimageMs);
    const double previewClick = median(previewMs);
    printBench("preview_vs_qimage", previewClick, "ms", qimage, previewClick / qimage, "<=0.6x");
    const double uiThread = median(uiMs);
    printBench("preview_ui_thread_ms", uiThread, "ms", qimage, uiThread / qimage, "<=10ms");

    // The reference for browsing: one reduced decode as the UI thread itself
    // would have to wait for it.
    std::vector<double> syncMs;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer clock;
        clock.start();
        PictureLoader::decodeToCover(photo,
                                     QSize(PreviewPane::ImageWidth, PreviewPane::ImageHeight));
        syncMs.push_back(clock.nsecsElapsed() / 1e6);
    }
    const double syncDecode = median(syncMs);

    // Browsing: the current entry moves 50 times, 30 ms apart, by keyboard.
    QListView *view = p.list->listView();
    view->setFocus();
    p.list->selectEntry(0);
    p.main->ListImageClick();
    waitFor([&] { return !p.preview->isLoading(); });
    const PictureRequest::Stats statsBefore = p.preview->loader()->stats();
    const int shownBefore = shown;
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 maxGap = 0;
    QTimer watch;
    watch.setTimerType(Qt::PreciseTimer);
    watch.setInterval(2);
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        const qint64 now = clock.nsecsElapsed();
        maxGap = std::max(maxGap, now - lastTick);
        lastTick = now;
    });
    int moves = 0;
    qint64 lastMoveAt = 0;
    qint64 lastShownAt = -1;
    auto shownConnection = QObject::connect(p.preview, &PreviewPane::pictureShown, p.preview,
                                            [&] { lastShownAt = clock.nsecsElapsed(); });
    QTimer mover;
    mover.setTimerType(Qt::PreciseTimer);
    mover.setInterval(30);
    QObject::connect(&mover, &QTimer::timeout, &mover, [&] {
        QTest::keyClick(view, Qt::Key_Down);
        lastMoveAt = clock.nsecsElapsed();
        if (++moves == 50)
            mover.stop();
    });
    lastTick = clock.nsecsElapsed();
    watch.start();
    mover.start();
    waitFor([&] { return moves == 50 && lastShownAt > lastMoveAt; });
    // Keep watching the UI thread for a while after the last picture.
    waitFor([&] { return clock.nsecsElapsed() - lastShownAt > 300'000'000; });
    watch.stop();
    QObject::disconnect(shownConnection);
    const PictureRequest::Stats statsAfter = p.preview->loader()->stats();
    const double stall = maxGap / 1e6;
    const double lastShown = (lastShownAt - lastMoveAt) / 1e6;
    std::printf("# browse: %d moves, current entry %d, %d pictures shown, %d loads started, "
                "%d dropped as stale\n",
                moves, p.list->currentIndex(), shown - shownBefore,
                statsAfter.started - statsBefore.started, statsAfter.dropped - statsBefore.dropped);
    printBench("browse_max_stall_ms", stall, "ms", syncDecode, stall / syncDecode, "<=50ms");
    printBench("browse_last_shown_ms", lastShown, "ms", syncDecode, lastShown / syncDecode,
               "<=200ms");

    // Width and height from the header against a full decode.
    std::vector<double> headerUs, fullUs;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer c;
        c.start();
        const PictureResult full = PictureLoader::decodeFull(photo);
        fullUs.push_back(c.nsecsElapsed() / 1e3);
        if (!full.ok)
            return 1;
    }
    for (int i = 0; i < 301; ++i) {
        QElapsedTimer c;
        c.start();
        const PictureResult header = PictureLoader::readSize(photo);
        headerUs.push_back(c.nsecsElapsed() / 1e3);
        if (header.fullSize != QSize(Width, Height))
            return 1;
    }
    const double header = median(headerUs);
    const double full = median(fullUs);
    printBench("header_speedup", header, "us", full, full / header, ">=1000x");

    // Peak memory of previewing against holding the picture full size.
    p.list->selectEntry(1);
    const qint64 previewBase = resetPeak();
    p.main->ListImageClick();
    waitFor([&] { return !p.preview->isLoading(); });
    const qint64 previewPeak = ProcessMemory::peakResidentKb() - previewBase;
    const qint64 fullBase = resetPeak();
    QImage held(QFile::decodeName(photos[2]));
    const qint64 fullPeak = ProcessMemory::peakResidentKb() - fullBase;
    if (held.isNull() || previewPeak <= 0 || fullPeak <= 0)
        return 1;
    printBench("preview_memory_ratio", previewPeak / 1024.0, "MB", fullPeak / 1024.0,
               double(previewPeak) / double(fullPeak), "<=0.05");
    held = QImage();

    // Windows of "複数" on the 24-megapixel picture, opened and closed 20
    // times: what stays resident afterwards, against what one open window
    // holds.
    p.list->selectEntry(0);
    p.main->ListImageClick();
    waitFor([&] { return !p.preview->isLoading(); });
    auto openWindow = [&p]() -> QPointer<TFormView> {
        p.main->MultiImageCommand();
        if (p.main->extraViews().isEmpty())
            return nullptr;
        QPointer<TFormView> view = p.main->extraViews().last();
        if (!waitFor([&view] { return view && view->isVisible() && !view->isLoading(); }))
            return nullptr;
        QCoreApplication::processEvents();
        return view;
    };
    auto settle = [] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        malloc_trim(0);
    };
    settle();
    const qint64 oneBase = ProcessMemory::residentKb();
    QPointer<TFormView> one = openWindow();
    if (one.isNull())
        return 1;
    const qint64 oneOpen = ProcessMemory::residentKb() - oneBase;
    one->close();
    settle();
    const qint64 windowsBase = ProcessMemory::residentKb();
    for (int i = 0; i < 20; ++i) {
        QPointer<TFormView> view = openWindow();
        if (view.isNull())
            return 1;
        view->close();
        settle();
    }
    const qint64 growth = ProcessMemory::residentKb() - windowsBase;
    std::printf("# view windows: %lld windows still open\n",
                static_cast<long long>(p.main->extraViews().size()));
    printBench("view_windows_rss_growth_mb", growth / 1024.0, "MB", oneOpen / 1024.0,
               double(growth) / double(oneOpen), "<50MB");
    return 0;
}
