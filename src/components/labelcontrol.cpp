#include "labelcontrol.h"

TLabelControl::TLabelControl(QWidget *parent) : QLabel(parent)
{
    resize(65, 13);
    setMouseTracking(true);
    setAcceptDrops(true);
}

void TLabelControl::mousePressEvent(QMouseEvent *event)
{
    ControlEvents::mousePress(this, m_click, event);
}

void TLabelControl::mouseReleaseEvent(QMouseEvent *event)
{
    ControlEvents::mouseRelease(this, m_click, event);
}

void TLabelControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    ControlEvents::mouseDoubleClick(this, m_click, event);
}

void TLabelControl::mouseMoveEvent(QMouseEvent *event)
{
    ControlEvents::mouseMove(this, event);
}

void TLabelControl::dragEnterEvent(QDragEnterEvent *event)
{
    ControlEvents::dragOver(this, event, TDragState::DragEnter,
                             isSignalConnected(QMetaMethod::fromSignal(&TLabelControl::OnDragOver)));
}

void TLabelControl::dragMoveEvent(QDragMoveEvent *event)
{
    ControlEvents::dragOver(this, event, TDragState::DragMove,
                             isSignalConnected(QMetaMethod::fromSignal(&TLabelControl::OnDragOver)));
}

void TLabelControl::dragLeaveEvent(QDragLeaveEvent *)
{
    ControlEvents::dragLeave(this);
}

void TLabelControl::dropEvent(QDropEvent *event)
{
    ControlEvents::drop(this, event);
}
