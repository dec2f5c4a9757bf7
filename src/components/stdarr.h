#pragma once

#include "arrctrl.h"
#include "labelcontrol.h"

// An array of labels.
class TArLabel : public TArCntrl
{
    Q_OBJECT
public:
    explicit TArLabel(QObject *owner = nullptr) : TArCntrl(owner, &TLabelControl::staticMetaObject)
    {
    }

    QLabel *Label(int index) const { return qobject_cast<QLabel *>(Element(index)); }
};
