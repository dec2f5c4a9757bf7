#pragma once

#include <QAbstractItemView>
#include <QStringList>

// The first column's text of every row a view shows, as the user reads them.
inline QStringList linesOf(const QAbstractItemView *view)
{
    QStringList result;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        result.append(view->model()->index(row, 0).data().toString());
    return result;
}
