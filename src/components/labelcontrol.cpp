#include "labelcontrol.h"

TLabelControl::TLabelControl(QWidget *parent) : TGraphicControl(parent)
{
    resize(65, 13);
}
