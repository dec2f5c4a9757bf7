#pragma once

#include "controlevents.h"

#include <QLabel>

// A label with the event set of the component arrays.
class TLabelControl : public QLabel
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TLabelControl(QWidget *parent = nullptr);

    void beginDrag() { ControlEvents::beginDrag(this); }

signals:
    void OnClick(QObject *Sender);
    void OnDblClick(QObject *Sender);
    void OnDragDrop(QObject *Sender, QObject *Source, int X, int Y);
    void OnDragOver(QObject *Sender, QObject *Source, int X, int Y, TDragState State,
                    bool &Accept);
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
    ControlEvents::ClickState m_click;
};
