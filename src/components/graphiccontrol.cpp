#include "graphiccontrol.h"

#include <QCursor>
#include <QDrag>
#include <QMetaMethod>
#include <QMimeData>
#include <QMouseEvent>

namespace {
const QString DragFormat = QStringLiteral("application/x-vellisk-control");

QPoint posOf(const QMouseEvent *event)
{
    return event->position().toPoint();
}
} // namespace

TGraphicControl::TGraphicControl(QWidget *parent) : QLabel(parent)
{
    setMouseTracking(true);
    setAcceptDrops(true);
}

void TGraphicControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    const QPoint p = posOf(event);
    emit OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
}

void TGraphicControl::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint p = posOf(event);
    const bool click =
        event->button() == Qt::LeftButton && m_pressed && !m_afterDoubleClick && rect().contains(p);
    if (event->button() == Qt::LeftButton) {
        m_pressed = false;
        m_afterDoubleClick = false;
    }
    if (click)
        emit OnClick(this);
    emit OnMouseUp(this, event->button(), event->modifiers(), p.x(), p.y());
}

void TGraphicControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint p = posOf(event);
    emit OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_afterDoubleClick = true;
        emit OnDblClick(this);
    }
}

void TGraphicControl::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = posOf(event);
    emit OnMouseMove(this, event->modifiers(), p.x(), p.y());
}

// Drag over: a control with nobody listening refuses the drop.
void TGraphicControl::dragOver(QDropEvent *event, TDragState state)
{
    bool accept = isSignalConnected(QMetaMethod::fromSignal(&TGraphicControl::OnDragOver));
    const QPoint p = event->position().toPoint();
    if (accept)
        emit OnDragOver(this, event->source(), p.x(), p.y(), state, accept);
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TGraphicControl::dragEnterEvent(QDragEnterEvent *event)
{
    dragOver(event, TDragState::DragEnter);
}

void TGraphicControl::dragMoveEvent(QDragMoveEvent *event)
{
    dragOver(event, TDragState::DragMove);
}

void TGraphicControl::dragLeaveEvent(QDragLeaveEvent *)
{
    bool accept = false;
    emit OnDragOver(this, nullptr, -1, -1, TDragState::DragLeave, accept);
}

void TGraphicControl::dropEvent(QDropEvent *event)
{
    const QPoint p = event->position().toPoint();
    emit OnDragDrop(this, event->source(), p.x(), p.y());
    event->acceptProposedAction();
}

void TGraphicControl::beginDrag()
{
    QObject *dragObject = nullptr;
    emit OnStartDrag(this, dragObject);
    auto *drag = new QDrag(this);
    auto *mime = new QMimeData;
    mime->setData(DragFormat, objectName().toUtf8());
    drag->setMimeData(mime);
    const Qt::DropAction action = drag->exec(Qt::MoveAction | Qt::CopyAction);
    QObject *target = action == Qt::IgnoreAction ? nullptr : drag->target();
    const QPoint p = mapFromGlobal(QCursor::pos());
    emit OnEndDrag(this, target, p.x(), p.y());
    drag->deleteLater();
}
