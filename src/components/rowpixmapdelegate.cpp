#include "rowpixmapdelegate.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>

namespace {

// The numbers that change a row's picture, besides its text and font.
struct RowLook
{
    quintptr view;
    qint64 palette;
    qreal ratio;
    int width;
    int height;
    uint state;
    uint padding = 0;
};
static_assert(sizeof(RowLook) % sizeof(QChar) == 0);

} // namespace

// What changes a row's picture: its text, size, state, colours and font. The
// key is built for every row of every paint, so the numbers go in as they are
// and the font's (costly) key is computed only when the font changes.
QString RowPixmapDelegate::cacheKey(const QStyleOptionViewItem &option, qreal ratio) const
{
    // A font's key is never empty, so an empty one means none was taken yet.
    if (m_fontKey.isEmpty() || !(option.font == m_keyFont)) {
        m_keyFont = option.font;
        m_fontKey = option.font.key();
    }
    const RowLook look{quintptr(option.widget),
                       option.palette.cacheKey(),
                       ratio,
                       option.rect.width(),
                       option.rect.height(),
                       uint(option.state & (QStyle::State_Selected | QStyle::State_HasFocus |
                                            QStyle::State_MouseOver | QStyle::State_Active |
                                            QStyle::State_Enabled))};
    QString key;
    key.reserve(qsizetype(4 + sizeof(RowLook) / sizeof(QChar)) + m_fontKey.size() +
                option.text.size());
    key.append(QLatin1String("row:"));
    key.append(reinterpret_cast<const QChar *>(&look), qsizetype(sizeof(RowLook) / sizeof(QChar)));
    key.append(m_fontKey);
    key.append(QLatin1Char('\0'));
    key.append(option.text);
    return key;
}

void RowPixmapDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // Rows with decorations or check boxes, or wider than any screen, are
    // drawn directly.
    if (opt.features & ~QStyleOptionViewItem::HasDisplay || opt.rect.isEmpty() ||
        opt.rect.width() > 8192) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
    const QString key = cacheKey(opt, ratio);
    QPixmap row;
    if (!QPixmapCache::find(key, &row)) {
        row = QPixmap(opt.rect.size() * ratio);
        row.setDevicePixelRatio(ratio);
        // The view's base shows where the style leaves the row unpainted.
        const QWidget *view = opt.widget;
        const QPalette::ColorRole base = view != nullptr ? view->backgroundRole() : QPalette::Base;
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
