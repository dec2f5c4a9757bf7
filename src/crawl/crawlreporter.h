#pragma once

#include <QString>

// How the crawl engine reports to the window that shows its progress: panel
// texts of the main status bar and of the per-slot status bar, and lines of
// the two log panes. The engine holds no widgets; the main window implements
// this.
class CrawlReporter
{
public:
    virtual ~CrawlReporter() = default;
    // Panel `panel` of the main status bar.
    virtual void statusText(int panel, const QString &text) = 0;
    // Panel `panel` of the per-slot status bar.
    virtual void slotStatusText(int panel, const QString &text) = 0;
    // A line of the "Normal End" log and of the "Error" log.
    virtual void LogNormal(const QString &line) = 0;
    virtual void LogError(const QString &line) = 0;
};
