#include "imagecontrol.h"

#include <QPainter>

TImageControl::TImageControl(QWidget *parent) : TGraphicControl(parent)
{
    resize(105, 105);
}

void TImageControl::setPicture(const QImage &image)
{
    m_pixmap = QPixmap::fromImage(image);
    update();
}

void TImageControl::clearPicture()
{
    m_pixmap = QPixmap();
    update();
}

void TImageControl::setStretch(bool on)
{
    if (m_stretch == on)
        return;
    m_stretch = on;
    update();
}

void TImageControl::paintEvent(QPaintEvent *)
{
    if (m_pixmap.isNull() || width() < 1 || height() < 1)
        return;
    QPainter painter(this);
    if (m_stretch) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(rect(), m_pixmap);
    } else {
        painter.drawPixmap(0, 0, m_pixmap);
    }
}
