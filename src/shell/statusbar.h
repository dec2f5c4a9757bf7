#pragma once

#include <QList>
#include <QTimer>
#include <QWidget>

#include <optional>

class QLabel;

// A status bar of fixed-width text panels. Each panel is a child label named
// "<bar>_<index>" so that it can be found and read like the bar's own panel.
class StatusPanels : public QWidget
{
    Q_OBJECT
public:
    StatusPanels(const QString &name, const QList<int> &widths, QWidget *parent = nullptr);

    void setText(int panel, const QString &text);
    // A text that changes with every chunk of six transfers: the first shows
    // at once, later ones at most every ProgressIntervalMs, the latest of
    // them. A setText of the same panel in between wins.
    void setProgressText(int panel, const QString &text);
    static constexpr int ProgressIntervalMs = 100;
    QString text(int panel) const;
    int count() const { return int(m_panels.size()); }
    // Empties panels 0 to count - 1.
    void clearFirst(int count);

private:
    void showProgress();

    QList<QLabel *> m_panels;
    QList<std::optional<QString>> m_progress; // waiting to be shown, by panel
    QTimer m_progressTimer;
};
