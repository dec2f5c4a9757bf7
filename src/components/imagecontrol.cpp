#include "imagecontrol.h"

#include <QPainter>

TImageControl::TImageControl(QWidget *parent) : QWidget(parent)
{
    resize(105, 105);
    setMouseTracking(true);
    setAcceptDrops(true);
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

void TImageControl::mousePressEvent(QMouseEvent *event)
{
    ControlEvents::mousePress(this, m_click, event);
}

void TImageControl::mouseReleaseEvent(QMouseEvent *event)
{
    ControlEvents::mouseRelease(this, m_click, event);
}

void TImageControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    ControlEvents::mouseDoubleClick(this, m_click, event);
}

void TImageControl::mouseMoveEvent(QMouseEvent *event)
{
    ControlEvents::mouseMove(this, event);
}

void TImageControl::dragEnterEvent(QDragEnterEvent *event)
{
    ControlEvents::dragOver(this, event, TDragState::DragEnter,
                             isSignalConnected(QMetaMethod::fromSignal(&TImageControl::OnDragOver)));
}

void TImageControl::dragMoveEvent(QDragMoveEvent *event)
{
    ControlEvents::dragOver(this, event, TDragState::DragMove,
                             isSignalConnected(QMetaMethod::fromSignal(&TImageControl::OnDragOver)));
}

void TImageControl::dragLeaveEvent(QDragLeaveEvent *)
{
    ControlEvents::dragLeave(this);
}

void TImageControl::dropEvent(QDropEvent *event)
{
    ControlEvents::drop(this, event);
}
