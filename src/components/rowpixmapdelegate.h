#pragma once

#include <QFont>
#include <QString>
#include <QStyledItemDelegate>

// An item delegate for long lists of one-line text rows. Each row is drawn
// once by the style into a pixmap and blitted from the pixmap cache on every
// later paint: laying out and shaping a line of text costs tens of
// microseconds, and a list that grows while a search runs repaints its
// visible rows many times a second. The pictures are the style's own, so
// the rows look exactly as the plain delegate draws them.
class RowPixmapDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    QString cacheKey(const QStyleOptionViewItem &option, qreal ratio) const;

    mutable QFont m_keyFont;
    mutable QString m_fontKey;
};
