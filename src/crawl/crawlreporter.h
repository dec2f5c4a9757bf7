#pragma once

#include <QByteArray>
#include <QString>

// The panels of the main status bar STB.
namespace MainPanel {
enum : int {
    Work = 0,     // the state of the current work: "探索開始...", "探索終了", ...
    Links = 1,    // links found
    Images = 2,   // images listed
    Progress = 3, // limits reached, bytes received, a stopped walk
    Address = 4,  // the current file or address
    Time = 5,     // elapsed seconds; the bytes of a single fetch
};
} // namespace MainPanel

// The fetch-slot bar STA: panels 1 to 6 show the slots of those numbers.
namespace SlotPanel {
enum : int {
    Notice = 0,   // "No More Timer"
    LineRead = 5, // the list line a slot has just read (shares slot 5's panel)
};
} // namespace SlotPanel

// How the crawl engine reports to the window that shows its progress: panel
// texts of the main status bar and of the per-slot status bar, lines of the
// two log panes, the file list, the preview and the busy state. The engine
// holds no widgets; the main window implements this.
class CrawlReporter
{
public:
    virtual ~CrawlReporter() = default;
    // Panel `panel` of the main status bar.
    virtual void statusText(int panel, const QString &text) = 0;
    // A text of the main status bar that changes with every chunk received
    // (byte counts): a window may show only the latest now and then.
    virtual void progressText(int panel, const QString &text) { statusText(panel, text); }
    // Panel `panel` of the per-slot status bar.
    virtual void slotStatusText(int panel, const QString &text) = 0;
    // A line of the "Normal End" log and of the "Error" log.
    virtual void LogNormal(const QString &line) = 0;
    virtual void LogError(const QString &line) = 0;

    // Empties the panels of both status bars and both log panes.
    virtual void ClearStatusAndLogs() {}
    // The URL a slot fetches, in its edit field (slot 1 to 6), or the
    // address HTTP0 fetches or a crawl starts from (slot 0).
    virtual void slotURL(int slot, const QString &url) { (void)slot, (void)url; }
    // The hidden source pane is emptied when a transfer begins.
    virtual void clearSource() {}
    // The file list: emptied, or only its selection cleared, at a run's start.
    virtual void clearFileList() {}
    virtual void clearFileListSelection() {}
    // Appends the file-list line of an accepted picture (today's date, its
    // size, its path), selects it as the new last line and deselects the
    // line before it.
    virtual void listAcceptedImage(const QByteArray &path, qint64 size) { (void)path, (void)size; }
    // The selected file-list line is previewed when the user asked for that.
    virtual void autoDisplay() {}
};
