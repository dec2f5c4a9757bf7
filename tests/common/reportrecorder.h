#pragma once

#include "crawl/crawlreporter.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QStringList>

// Everything the crawl and the runs reported, in order.
struct ReportRecorder : CrawlReporter
{
    QMap<int, QStringList> panels;
    QMap<int, QStringList> slotPanels;
    QStringList normal;
    QStringList errors;
    QList<QPair<QByteArray, qint64>> listed;
    QStringList slotURLs;
    int autoDisplays = 0;
    int fileListClears = 0;

    void statusText(int panel, const QString &text) override { panels[panel].append(text); }
    void slotStatusText(int panel, const QString &text) override { slotPanels[panel].append(text); }
    void LogNormal(const QString &line) override { normal.append(line); }
    void LogError(const QString &line) override { errors.append(line); }
    void ClearStatusAndLogs() override
    {
        panels.clear();
        slotPanels.clear();
        normal.clear();
        errors.clear();
    }
    void slotURL(int slot, const QString &url) override
    {
        if (slot == 0)
            slotURLs.append(url);
    }
    void clearFileList() override { ++fileListClears; }
    void listAcceptedImage(const QByteArray &path, qint64 size) override
    {
        listed.append({path, size});
    }
    void autoDisplay() override { ++autoDisplays; }

    // The last text of a panel of the main status bar.
    QString panel(int i) const { return panels.value(i).value(panels.value(i).size() - 1); }
    QStringList errorsStarting(const QString &head) const
    {
        QStringList hits;
        for (const QString &line : errors)
            if (line.startsWith(head))
                hits.append(line);
        return hits;
    }
};
