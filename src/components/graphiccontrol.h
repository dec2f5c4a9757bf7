#pragma once

#include "controlevents.h"

#include <QLabel>

// The base of the controls that component arrays hold: the event set, each
// event a signal named "On" + event with the sender first, fed from the
// widget's mouse and drag events. A label underneath, so that the label
// control is one; the image control draws its picture over it.
class TGraphicControl : public QLabel
{
    Q_OBJECT
public:
    explicit TGraphicControl(QWidget *parent = nullptr);

    // Starts a drag from the control: OnStartDrag may hand back its own drag
    // object; OnEndDrag reports where it ended (the target is none when the
    // drag was refused).
    void beginDrag();

signals:
    void OnClick(QObject *Sender);
    void OnDblClick(QObject *Sender);
    void OnDragDrop(QObject *Sender, QObject *Source, int X, int Y);
    void OnDragOver(QObject *Sender, QObject *Source, int X, int Y, TDragState State, bool &Accept);
    void OnEndDrag(QObject *Sender, QObject *Target, int X, int Y);
    void OnStartDrag(QObject *Sender, QObject *&DragObject);
    void OnMouseDown(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                     int Y);
    void OnMouseMove(QObject *Sender, Qt::KeyboardModifiers Shift, int X, int Y);
    void OnMouseUp(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                   int Y);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void dragOver(QDropEvent *event, TDragState state);

    // A click needs a press and a release on the control, and the release
    // that ends a double click is not a second click.
    bool m_pressed = false;
    bool m_afterDoubleClick = false;
};
