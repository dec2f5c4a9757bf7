#pragma once

#include "graphiccontrol.h"

#include <QImage>
#include <QPixmap>

// An image control: shows one picture either unscaled from its top-left
// corner or stretched to its bounds. A control with no area draws nothing.
class TImageControl : public TGraphicControl
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

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_pixmap;
    bool m_stretch = false;
};
