#pragma once

#include <QString>
#include <QStringList>

// A list of visited places with a current index, as the back and forward
// buttons see it. From the middle of the history a new place replaces the
// current entry and everything after it.
class NavigationHistory
{
public:
    // Makes `place` current: an entry equal to it without regard to case
    // becomes current unchanged; otherwise it is appended as described above.
    void record(const QString &place);
    void clear();

    const QStringList &items() const { return m_items; }
    int currentIndex() const { return m_current; }
    bool canGoBack() const { return !m_items.isEmpty() && m_current > 0; }
    bool canGoForward() const { return !m_items.isEmpty() && m_current < m_items.size() - 1; }

private:
    QStringList m_items;
    int m_current = -1;
};

// Puts `text` first among the drop-down items, matching without regard to case
// (an existing item keeps its own spelling and moves to the top).
void moveToFront(QStringList &items, const QString &text);
