#pragma once

#include <QToolButton>

// A flat tool button with its caption under a 16-pixel image, laid out to fit
// the 35-pixel-high buttons of the main window: the style's own text-under-icon
// layout adds padding that pushes CJK captions out of the button.
class CaptionToolButton : public QToolButton
{
    Q_OBJECT
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};
