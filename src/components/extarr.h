#pragma once

#include "arrctrl.h"
#include "imagecontrol.h"

// An array of image controls.
class TArImage : public TArCntrl
{
    Q_OBJECT
public:
    explicit TArImage(QObject *owner = nullptr) : TArCntrl(owner, &TImageControl::staticMetaObject)
    {
    }

    TImageControl *Image(int index) const { return qobject_cast<TImageControl *>(Element(index)); }
};
