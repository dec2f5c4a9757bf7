#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>

// A read-only log of one-line entries. Lines are taken at once but reach the
// text control in batches: while the pane is hidden they wait until it is
// shown, and while it shows they are added together at most ten times a
// second; a long backlog goes in a few thousand lines at a time. A crawl
// writes a few lines per job, and adding each line on its own lays it out,
// scrolls and repaints the pane every time.
class LogPane : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit LogPane(QWidget *parent = nullptr);

    void appendLine(const QString &line);
    // The whole log, lines still waiting included.
    QString text();
    void clearLog();
    // Moves the waiting lines into the control.
    void flush();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void flushChunk();

    QStringList m_pending;
    QTimer m_batch;
};
