#include "rowpixmapdelegate.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>

namespace {

// What changes a row's picture: its text, size, state, colours and font.
QString cacheKey(const QStyleOptionViewItem &option, const QString &text, qreal ratio)
{
    const QStyle::State drawn = option.state
                                & (QStyle::State_Selected | QStyle::State_HasFocus
                                   | QStyle::State_MouseOver | QStyle::State_Active
                                   | QStyle::State_Enabled);
    return QStringLiteral("row:%1:%2x%3@%4:%5:%6:%7:")
               .arg(quintptr(option.widget), 0, 16)
               .arg(option.rect.width())
               .arg(option.rect.height())
               .arg(ratio)
               .arg(uint(drawn), 0, 16)
               .arg(option.palette.cacheKey())
               .arg(option.font.key())
           + text;
}

} // namespace

void RowPixmapDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // Rows with decorations or check boxes, or wider than any screen, are
    // drawn directly.
    if (opt.features & ~QStyleOptionViewItem::HasDisplay || opt.rect.isEmpty()
        || opt.rect.width() > 8192) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
    const QString key = cacheKey(opt, opt.text, ratio);
    QPixmap row;
    if (!QPixmapCache::find(key, &row)) {
        row = QPixmap(opt.rect.size() * ratio);
        row.setDevicePixelRatio(ratio);
        // The view's base shows where the style leaves the row unpainted.
        const QWidget *view = opt.widget;
        const QPalette::ColorRole base =
            view != nullptr ? view->backgroundRole() : QPalette::Base;
        const auto *itemView = qobject_cast<const QAbstractItemView *>(view);
        row.fill(option.palette.color(itemView != nullptr ? itemView->viewport()->backgroundRole()
                                                          : base));
        QPainter rowPainter(&row);
        QStyleOptionViewItem at = option;
        at.rect.moveTo(0, 0);
        QStyledItemDelegate::paint(&rowPainter, at, index);
        rowPainter.end();
        QPixmapCache::insert(key, row);
    }
    painter->drawPixmap(opt.rect.topLeft(), row);
}
