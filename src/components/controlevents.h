#pragma once

#include <QObject>

#include <functional>

// The events of the controls that component arrays hold (TGraphicControl)
// and the array's handlers for them. An array finds its forwarder for an
// event by the name "E" + the event's signal name.

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
