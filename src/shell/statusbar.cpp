#include "statusbar.h"

#include <QHBoxLayout>
#include <QLabel>

#include <utility>

StatusPanels::StatusPanels(const QString &name, const QList<int> &widths, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(name);
    // Panels side by side at their own widths, like the old status bar's.
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 1, 0, 1);
    layout->setSpacing(0);
    for (int i = 0; i < widths.size(); ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(name + QLatin1Char('_') + QString::number(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        // A panel of fixed size: a new text repaints the panel only, where a
        // label free to grow would lay the bar out again (and measure every
        // panel's text) at each of the crawl's many progress texts.
        label->setText(QStringLiteral("0"));
        // Filling its own background (the window's colour, as beneath it)
        // spares the bar and the window a repaint under every new text.
        label->setAutoFillBackground(true);
        label->setFixedSize(widths[i], label->sizeHint().height());
        label->clear();
        layout->addWidget(label);
        m_panels.append(label);
    }
    layout->addStretch();
    m_progress.resize(m_panels.size());
    m_progressTimer.setSingleShot(true);
    m_progressTimer.setInterval(ProgressIntervalMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &StatusPanels::showProgress);
}

void StatusPanels::setText(int panel, const QString &text)
{
    if (panel < 0 || panel >= m_panels.size())
        return;
    m_progress[panel].reset();
    m_panels[panel]->setText(text);
}

void StatusPanels::setProgressText(int panel, const QString &text)
{
    if (panel < 0 || panel >= m_panels.size())
        return;
    // Repainting a panel for every chunk cost more than the rest of a crawl's
    // window updates; nobody reads a byte count at a hundred a second.
    if (m_progressTimer.isActive()) {
        m_progress[panel] = text;
        return;
    }
    m_panels[panel]->setText(text);
    m_progressTimer.start();
}

void StatusPanels::showProgress()
{
    bool shown = false;
    for (qsizetype i = 0; i < m_panels.size(); ++i) {
        if (m_progress[i]) {
            m_panels[i]->setText(*std::exchange(m_progress[i], std::nullopt));
            shown = true;
        }
    }
    // Another interval before the next one shows, so the rate stays bounded.
    if (shown)
        m_progressTimer.start();
}

QString StatusPanels::text(int panel) const
{
    return panel >= 0 && panel < m_panels.size() ? m_panels[panel]->text() : QString();
}

void StatusPanels::clearFirst(int count)
{
    for (int i = 0; i < count && i < m_panels.size(); ++i) {
        m_progress[i].reset();
        m_panels[i]->clear();
    }
}
