#pragma once

#include "controlevents.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

// An image control: shows one picture either unscaled from its top-left
// corner or stretched to its bounds. A control with no area draws nothing.
class TImageControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool stretch READ stretch WRITE setStretch)
public:
    Q_INVOKABLE explicit TImageControl(QWidget *parent = nullptr);

    void setPicture(const QImage &image);
    void clearPicture();
    bool hasPicture() const { return !m_pixmap.isNull(); }
    QSize pictureSize() const { return m_pixmap.size(); }
    // The picture as a QImage (for tests and copies).
    QImage picture() const { return m_pixmap.toImage(); }

    bool stretch() const { return m_stretch; }
    void setStretch(bool on);

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
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QPixmap m_pixmap;
    bool m_stretch = false;
    ControlEvents::ClickState m_click;
};
