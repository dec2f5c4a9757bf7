#include "logpane.h"

namespace {
constexpr int BatchMs = 100;
// Lines added in one go when the pane shows a long backlog: a few tens of
// milliseconds each, so opening the pane after a long hidden crawl does not
// freeze the window while every line goes in.
constexpr qsizetype ChunkLines = 5000;
} // namespace

LogPane::LogPane(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    m_batch.setSingleShot(true);
    connect(&m_batch, &QTimer::timeout, this, &LogPane::flushChunk);
}

void LogPane::appendLine(const QString &line)
{
    m_pending.append(line);
    if (isVisible() && !m_batch.isActive())
        m_batch.start(BatchMs);
}

QString LogPane::text()
{
    flush();
    return toPlainText();
}

void LogPane::clearLog()
{
    m_batch.stop();
    m_pending.clear();
    clear();
}

void LogPane::flush()
{
    m_batch.stop();
    if (m_pending.isEmpty())
        return;
    // One edit for the batch: the control lays out only the lines it shows.
    appendPlainText(m_pending.join(QLatin1Char('\n')));
    m_pending.clear();
}

void LogPane::flushChunk()
{
    m_batch.stop();
    if (m_pending.size() <= ChunkLines) {
        flush();
        return;
    }
    appendPlainText(m_pending.first(ChunkLines).join(QLatin1Char('\n')));
    m_pending.remove(0, ChunkLines);
    m_batch.start(0);
}

void LogPane::showEvent(QShowEvent *event)
{
    QPlainTextEdit::showEvent(event);
    flushChunk();
}
