#include "statusbar.h"

#include <QLabel>

StatusPanels::StatusPanels(const QString &name, const QList<int> &widths, QWidget *parent)
    : QStatusBar(parent)
{
    setObjectName(name);
    setSizeGripEnabled(false);
    for (int i = 0; i < widths.size(); ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(name + QLatin1Char('_') + QString::number(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setFixedWidth(widths[i]);
        label->setTextFormat(Qt::PlainText);
        addWidget(label);
        m_panels.append(label);
    }
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

void StatusPanels::clearAll()
{
    for (QLabel *label : m_panels)
        label->clear();
}
