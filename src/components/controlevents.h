#pragma once

#include <QCursor>
#include <QDrag>
#include <QDragMoveEvent>
#include <QMetaMethod>
#include <QMimeData>
#include <QMouseEvent>
#include <QObject>
#include <QWidget>

#include <functional>

// The event set shared by the controls that component arrays hold. Each
// control exposes its events as signals named "On" + event, the sender first;
// an array finds its forwarder for an event by the name "E" + that name.

enum class TDragState { DragEnter, DragLeave, DragMove };

// The array's handlers: the element's index follows the sender.
using TAryNotifyEvent = std::function<void(QObject *Sender, int Index)>;
using TAryDragDropEvent =
    std::function<void(QObject *Sender, int Index, QObject *Source, int X, int Y)>;
using TAryDragOverEvent = std::function<void(QObject *Sender, int Index, QObject *Source, int X,
                                             int Y, TDragState State, bool &Accept)>;
using TAryEndDragEvent =
    std::function<void(QObject *Sender, int Index, QObject *Target, int X, int Y)>;
using TArStartDragEvent = std::function<void(QObject *Sender, int Index, QObject *&DragObject)>;
using TAryMouseEvent = std::function<void(QObject *Sender, int Index, Qt::MouseButton Button,
                                          Qt::KeyboardModifiers Shift, int X, int Y)>;
using TAryMouseMoveEvent =
    std::function<void(QObject *Sender, int Index, Qt::KeyboardModifiers Shift, int X, int Y)>;

// Turns a widget's input events into the "On..." signals. C is the control
// class; its signals are public, so one set of functions serves every control.
namespace ControlEvents {

inline const QString DragFormat = QStringLiteral("application/x-vellisk-control");

// Per-control mouse state: a click needs a press and a release on the control,
// and the release that ends a double click is not a second click.
struct ClickState
{
    bool pressed = false;
    bool afterDoubleClick = false;
};

inline QPoint posOf(const QMouseEvent *event)
{
    return event->position().toPoint();
}

template <class C> void mousePress(C *c, ClickState &state, QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        state.pressed = true;
    const QPoint p = posOf(event);
    emit c->OnMouseDown(c, event->button(), event->modifiers(), p.x(), p.y());
}

template <class C> void mouseRelease(C *c, ClickState &state, QMouseEvent *event)
{
    const QPoint p = posOf(event);
    const bool click = event->button() == Qt::LeftButton && state.pressed
        && !state.afterDoubleClick && c->rect().contains(p);
    if (event->button() == Qt::LeftButton) {
        state.pressed = false;
        state.afterDoubleClick = false;
    }
    if (click)
        emit c->OnClick(c);
    emit c->OnMouseUp(c, event->button(), event->modifiers(), p.x(), p.y());
}

template <class C> void mouseDoubleClick(C *c, ClickState &state, QMouseEvent *event)
{
    const QPoint p = posOf(event);
    emit c->OnMouseDown(c, event->button(), event->modifiers(), p.x(), p.y());
    if (event->button() == Qt::LeftButton) {
        state.pressed = true;
        state.afterDoubleClick = true;
        emit c->OnDblClick(c);
    }
}

template <class C> void mouseMove(C *c, QMouseEvent *event)
{
    const QPoint p = posOf(event);
    emit c->OnMouseMove(c, event->modifiers(), p.x(), p.y());
}

// Drag over: a control with nobody listening refuses the drop.
template <class C> void dragOver(C *c, QDropEvent *event, TDragState state, bool listening)
{
    bool accept = listening;
    const QPoint p = event->position().toPoint();
    if (accept)
        emit c->OnDragOver(c, event->source(), p.x(), p.y(), state, accept);
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

template <class C> void dragLeave(C *c)
{
    bool accept = false;
    emit c->OnDragOver(c, nullptr, -1, -1, TDragState::DragLeave, accept);
}

template <class C> void drop(C *c, QDropEvent *event)
{
    const QPoint p = event->position().toPoint();
    emit c->OnDragDrop(c, event->source(), p.x(), p.y());
    event->acceptProposedAction();
}

// Starts a drag from the control: OnStartDrag may hand back its own drag
// object; OnEndDrag reports where it ended (the target is none when the drag
// was refused).
template <class C> void beginDrag(C *c)
{
    QObject *dragObject = nullptr;
    emit c->OnStartDrag(c, dragObject);
    auto *drag = new QDrag(c);
    auto *mime = new QMimeData;
    mime->setData(DragFormat, c->objectName().toUtf8());
    drag->setMimeData(mime);
    const Qt::DropAction action = drag->exec(Qt::MoveAction | Qt::CopyAction);
    QObject *target = action == Qt::IgnoreAction ? nullptr : drag->target();
    const QPoint p = c->mapFromGlobal(QCursor::pos());
    emit c->OnEndDrag(c, target, p.x(), p.y());
    drag->deleteLater();
}

} // namespace ControlEvents
