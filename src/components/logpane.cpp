#include "logpane.h"

namespace {
constexpr int BatchMs = 100;
}

LogPane::LogPane(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    m_batch.setSingleShot(true);
    m_batch.setInterval(BatchMs);
    connect(&m_batch, &QTimer::timeout, this, &LogPane::flush);
}

void LogPane::appendLine(const QString &line)
{
    m_pending.append(line);
    if (isVisible() && !m_batch.isActive())
        m_batch.start();
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

void LogPane::showEvent(QShowEvent *event)
{
    QPlainTextEdit::showEvent(event);
    flush();
}
