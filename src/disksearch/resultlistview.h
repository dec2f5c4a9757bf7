#pragma once

#include "components/rowpixmapdelegate.h"

#include <QListView>

// The list view of the result file list. A keyboard move of the current
// entry is reported like a click, so the preview follows the arrow keys.
class ResultListView : public QListView
{
    Q_OBJECT
public:
    explicit ResultListView(QWidget *parent = nullptr);

signals:
    void currentMovedByKey();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// Rows of one fixed height, as wide as the longest line so that the view
// scrolls sideways over long paths; the size does not depend on the row, so
// the view never measures a line.
class ResultLineDelegate : public RowPixmapDelegate
{
    Q_OBJECT
public:
    using RowPixmapDelegate::RowPixmapDelegate;
    void setRowHeight(int height) { m_rowHeight = height; }
    void setColumns(qsizetype columns) { m_columns = columns; }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int m_rowHeight = 12;
    qsizetype m_columns = 0;
};
