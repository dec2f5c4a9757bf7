#include "captiontoolbutton.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

void CaptionToolButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    if (option.state & (QStyle::State_MouseOver | QStyle::State_Sunken | QStyle::State_On))
        painter.drawPrimitive(QStyle::PE_PanelButtonTool, option);

    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    const QIcon::State state = isChecked() ? QIcon::On : QIcon::Off;
    const int iconSide = 16;
    const QFontMetrics metrics(font());
    const int textHeight = metrics.height();
    const int top = qMax(1, (height() - iconSide - textHeight) / 2);
    icon().paint(&painter, QRect((width() - iconSide) / 2, top, iconSide, iconSide),
                 Qt::AlignCenter, mode, state);
    const QRect textRect(0, top + iconSide, width(), height() - top - iconSide);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic,
                     metrics.elidedText(text(), Qt::ElideNone, width()));
}
