#pragma once

#include <QList>
#include <QWidget>

class QLabel;

// A status bar of fixed-width text panels. Each panel is a child label named
// "<bar>_<index>" so that it can be found and read like the bar's own panel.
class StatusPanels : public QWidget
{
    Q_OBJECT
public:
    StatusPanels(const QString &name, const QList<int> &widths, QWidget *parent = nullptr);

    void setText(int panel, const QString &text);
    QString text(int panel) const;
    int count() const { return int(m_panels.size()); }
    // Empties panels 0 to count - 1.
    void clearFirst(int count);

private:
    QList<QLabel *> m_panels;
};
