#include "toolicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

void arrow(QPainter &p, bool left)
{
    QPainterPath path;
    if (left) {
        path.moveTo(2, 8);
        path.lineTo(8, 2);
        path.lineTo(8, 5);
        path.lineTo(14, 5);
        path.lineTo(14, 11);
        path.lineTo(8, 11);
        path.lineTo(8, 14);
    } else {
        path.moveTo(14, 8);
        path.lineTo(8, 2);
        path.lineTo(8, 5);
        path.lineTo(2, 5);
        path.lineTo(2, 11);
        path.lineTo(8, 11);
        path.lineTo(8, 14);
    }
    path.closeSubpath();
    p.setBrush(QColor(0x2e, 0x7d, 0x32));
    p.drawPath(path);
}

void picture(QPainter &p, QRectF r)
{
    p.setBrush(QColor(0xbb, 0xde, 0xfb));
    p.drawRect(r);
    p.setBrush(QColor(0x43, 0xa0, 0x47));
    QPolygonF hill;
    hill << QPointF(r.left(), r.bottom())
         << QPointF(r.left() + r.width() * 0.4, r.top() + r.height() * 0.45)
         << QPointF(r.right(), r.bottom());
    p.drawPolygon(hill);
    p.setBrush(QColor(0xff, 0xc1, 0x07));
    p.drawEllipse(QPointF(r.right() - r.width() * 0.25, r.top() + r.height() * 0.3), 1.5, 1.5);
}

} // namespace

QIcon toolIcon(ToolIcon which)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x42, 0x42, 0x42), 1));
    switch (which) {
    case ToolIcon::Directory:
        p.setBrush(QColor(0xff, 0xca, 0x28));
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
        p.drawRect(QRectF(1.5, 2.5, 5, 2));
        break;
    case ToolIcon::Settings:
        p.setBrush(QColor(0x90, 0xa4, 0xae));
        p.drawEllipse(QPointF(8, 8), 6, 6);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 8), 2.5, 2.5);
        break;
    case ToolIcon::Search:
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
        p.setPen(QPen(QColor(0x42, 0x42, 0x42), 2));
        p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
        break;
    case ToolIcon::Single:
        picture(p, QRectF(1.5, 2.5, 13, 11));
        break;
    case ToolIcon::Multi:
        picture(p, QRectF(4.5, 1.5, 10, 8));
        picture(p, QRectF(1.5, 6.5, 10, 8));
        break;
    case ToolIcon::Table:
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x)
                picture(p, QRectF(1.5 + x * 4.8, 1.5 + y * 4.8, 3.6, 3.6));
        break;
    case ToolIcon::Launcher:
        p.setBrush(QColor(0x79, 0x86, 0xcb));
        p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 2, 2);
        break;
    case ToolIcon::StopBusy:
        p.setBrush(QColor(0xe5, 0x39, 0x35));
        p.drawRect(QRectF(2.5, 2.5, 11, 11));
        break;
    case ToolIcon::StopIdle:
        p.setBrush(QColor(0x9e, 0x9e, 0x9e));
        p.drawRect(QRectF(2.5, 2.5, 11, 11));
        break;
    case ToolIcon::Back:
        arrow(p, true);
        break;
    case ToolIcon::Forward:
        arrow(p, false);
        break;
    case ToolIcon::Collect:
        p.setBrush(QColor(0x1e, 0x88, 0xe5));
        p.drawRect(QRectF(1.5, 11.5, 13, 3));
        p.drawPolygon(QPolygonF({QPointF(4, 5), QPointF(12, 5), QPointF(8, 10)}));
        p.drawRect(QRectF(6.5, 1.5, 3, 4));
        break;
    case ToolIcon::HardDisk:
        p.setBrush(QColor(0xb0, 0xbe, 0xc5));
        p.drawRoundedRect(QRectF(1.5, 4.5, 13, 7), 1.5, 1.5);
        p.setBrush(QColor(0x66, 0xbb, 0x6a));
        p.drawEllipse(QPointF(12, 8), 1, 1);
        break;
    case ToolIcon::World:
        p.setBrush(QColor(0x4f, 0xc3, 0xf7));
        p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8, 8), 3, 6.5);
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        break;
    case ToolIcon::Start:
        p.setBrush(QColor(0x43, 0xa0, 0x47));
        p.drawPolygon(QPolygonF({QPointF(4, 2), QPointF(14, 8), QPointF(4, 14)}));
        break;
    case ToolIcon::Web:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setBrush(QColor(0x1e, 0x88, 0xe5));
        p.drawRect(QRectF(1.5, 2.5, 13, 3));
        break;
    }
    p.end();
    return QIcon(pixmap);
}
