#include "statusbar.h"

#include <QHBoxLayout>
#include <QLabel>

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
}

void StatusPanels::setText(int panel, const QString &text)
{
    if (panel >= 0 && panel < m_panels.size())
        m_panels[panel]->setText(text);
}

QString StatusPanels::text(int panel) const
{
    return panel >= 0 && panel < m_panels.size() ? m_panels[panel]->text() : QString();
}

void StatusPanels::clearFirst(int count)
{
    for (int i = 0; i < count && i < m_panels.size(); ++i)
        m_panels[i]->clear();
}
