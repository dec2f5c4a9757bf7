#include "directoryhistory.h"

namespace {
qsizetype indexOfCaseless(const QStringList &items, const QString &text)
{
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}
} // namespace

void NavigationHistory::record(const QString &place)
{
    const int found = int(indexOfCaseless(m_items, place));
    if (found >= 0) {
        m_current = found;
        return;
    }
    if (m_current >= 0 && m_current < m_items.size() - 1)
        m_items.erase(m_items.begin() + m_current, m_items.end());
    m_items.append(place);
    m_current = int(m_items.size()) - 1;
}

void NavigationHistory::clear()
{
    m_items.clear();
    m_current = -1;
}

void moveToFront(QStringList &items, const QString &text)
{
    const qsizetype found = indexOfCaseless(items, text);
    if (found < 0)
        items.prepend(text);
    else
        items.move(found, 0);
}
