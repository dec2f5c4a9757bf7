#include "resultlistview.h"

#include <QKeyEvent>

ResultListView::ResultListView(QWidget *parent) : QListView(parent) {}

void ResultListView::keyPressEvent(QKeyEvent *event)
{
    const int before = currentIndex().row();
    QListView::keyPressEvent(event);
    const QModelIndex now = currentIndex();
    if (now.isValid() && now.row() != before)
        emit currentMovedByKey();
}

QSize ResultLineDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    const int advance = option.fontMetrics.horizontalAdvance(QLatin1Char('0'));
    return QSize(int(qMin<qsizetype>(m_columns * advance + 8, 1 << 20)), m_rowHeight);
}
