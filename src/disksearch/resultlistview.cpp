#include "resultlistview.h"

#include <QKeyEvent>

ResultListView::ResultListView(QWidget *parent) : QListView(parent)
{
}

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
    // Twelve pixels fit the font the rows were designed for; a substitute
    // with a deeper descent (DejaVu Sans Mono: 14) would lose the underscores
    // of paths below the row, so the row grows to the font's height.
    const int height = qMax(m_rowHeight, option.fontMetrics.height());
    return QSize(int(qMin<qsizetype>(m_columns * advance + 8, 1 << 20)), height);
}
