#pragma once

#include "controlevents.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <stdexcept>
#include <vector>

class QWidget;

// Raised by an operation that cannot be carried out (a control of the wrong
// class offered to an array). The text is the user-facing message.
class EInvalidOperation : public std::runtime_error
{
public:
    explicit EInvalidOperation(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    QString message() const { return m_message; }

private:
    QString m_message;
};

// One element of an array. The control is not owned.
class TCntrlItem
{
public:
    QWidget *Cntrl = nullptr;
    bool EventSeted = false;
    // Copying an item copies the control only: the copy still has to be wired.
    void Assign(const TCntrlItem &other) { Cntrl = other.Cntrl; }
};

// The elements in index order.
class TCntrls
{
public:
    TCntrlItem *Add();
    TCntrlItem *Items(int index) const;
    int Count() const { return int(m_items.size()); }
    void Delete(int index);
    void Clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<TCntrlItem>> m_items;
};

// An indexed array of like controls. One handler per event serves every
// element and receives the element's index beside the sender. The controls
// belong to their window; the array only lists and wires them.
//
// Each control event "OnX" is served by the forwarder "EOnX" of this class:
// wiring looks the forwarder up by that name through the meta-object system,
// so a control class only has to declare its events to take part.
class TArCntrl : public QObject
{
    Q_OBJECT
public:
    explicit TArCntrl(QObject *owner = nullptr);
    ~TArCntrl() override;

    int NumOfArry() const { return m_num; }
    // Resizing creates or destroys controls (see the .cpp).
    void setNumOfArry(int n);
    TCntrls &Collection() { return m_collection; }
    const TCntrls &Collection() const { return m_collection; }
    QWidget *ArryParent() const { return m_parent; }
    void setArryParent(QWidget *parent);

    // Where the array sits on its window's design; new elements cascade from it.
    QPoint designPosition() const { return m_designPosition; }
    void setDesignPosition(QPoint position) { m_designPosition = position; }
    // With design mode on, an event without a forwarder is reported.
    void setDesigning(bool on) { m_designing = on; }

    const QMetaObject *elementClass() const { return m_elementClass; }

    QWidget *Element(int index) const;
    int IndexOf(const QObject *control) const;
    void Delete(int index);

    virtual QWidget *CreateElement(int index, QObject *owner);
    virtual bool WireEvents(QWidget *control);
    virtual void UnwireEvents(QWidget *control);
    virtual int Add(QWidget *control);
    virtual bool IsValidElement(const QWidget *control) const;

    // Loading from a window description: between the two calls only values
    // are stored; Loaded() wires the listed elements, and an array that cannot
    // wire them all goes on the pending list where a worker keeps retrying.
    void beginLoading() { m_loading = true; }
    bool isLoading() const { return m_loading; }
    void Loaded();
    // Wires every item not yet wired; true when all are.
    bool wireAllElements();

    TAryNotifyEvent OnClick;
    TAryNotifyEvent OnDblClick;
    TAryDragDropEvent OnDragDrop;
    TAryDragOverEvent OnDragOver;
    TAryEndDragEvent OnEndDrag;
    TAryMouseEvent OnMouseDown;
    TAryMouseMoveEvent OnMouseMove;
    TAryMouseEvent OnMouseUp;
    TArStartDragEvent OnStartDrag;

public slots:
    // Forwarders: each has the signature of the control's own event.
    void EOnClick(QObject *Sender);
    void EOnDblClick(QObject *Sender);
    void EOnDragOver(QObject *Sender, QObject *Source, int X, int Y, TDragState State,
                     bool &Accept);
    void EOnDragDrop(QObject *Sender, QObject *Source, int X, int Y);
    void EOnEndDrag(QObject *Sender, QObject *Target, int X, int Y);
    void EOnStartDrag(QObject *Sender, QObject *&DragObject);
    void EOnMouseDown(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                      int Y);
    void EOnMouseMove(QObject *Sender, Qt::KeyboardModifiers Shift, int X, int Y);
    void EOnMouseUp(QObject *Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                    int Y);

protected:
    TArCntrl(QObject *owner, const QMetaObject *elementClass);

private:
    void elementDestroyed(QObject *control);
    void removeItem(int index);
    QWidget *ownerWidget() const;
    QObject *ownerForNewElements() const;
    QString freeElementName(int k, const QObject *scope) const;

    const QMetaObject *m_elementClass;
    TCntrls m_collection;
    int m_num = 0;
    QPointer<QWidget> m_parent;
    QPoint m_designPosition;
    bool m_loading = false;
    bool m_designing = false;
};
