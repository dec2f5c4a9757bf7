#pragma once

#include "common/directoryhistory.h"

#include <QString>
#include <QStringList>

// The pages the browser pane has requested: the history behind Back and
// Forward, and the drop-down items of the URL box.
class BrowserHistory
{
public:
    // Records a page the browser is about to request and returns it
    // normalised, as the URL box then shows it. With `dropDown` the page also
    // goes to the top of the drop-down items (an item equal to it without
    // regard to case moves there instead of appearing twice).
    QString request(const QString &url, bool dropDown);

    // The entry Back or Forward goes to; empty when there is none.
    QString backTarget() const;
    QString forwardTarget() const;

    const NavigationHistory &history() const { return m_history; }
    const QStringList &dropDownItems() const { return m_dropDown; }
    void clear();

private:
    NavigationHistory m_history;
    QStringList m_dropDown;
};
