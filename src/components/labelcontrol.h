#pragma once

#include "graphiccontrol.h"

// A label with the event set of the component arrays.
class TLabelControl : public TGraphicControl
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TLabelControl(QWidget *parent = nullptr);
};
