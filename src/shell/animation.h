#pragma once

#include <QLabel>
#include <QPixmap>

#include <array>

class QMovie;
class QTimer;

// The small busy animation of the tool bar. It plays a clip when one can be
// read; otherwise (no clip, or one Qt cannot decode) it plays frames of its
// own, drawn here. Inactive, it shows its stop frame.
class TAnimate : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive WRITE setActive)
public:
    static constexpr int DrawnFrames = 16;

    explicit TAnimate(QWidget *parent = nullptr);

    // Loads the clip; every failure is ignored and leaves the drawn frames.
    void setFileName(const QString &path);

    bool isActive() const { return m_active; }
    void setActive(bool active);
    void setStopFrame(int frame);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void showDrawnFrame(int index);

    std::array<QPixmap, DrawnFrames> m_frames;
    QMovie *m_movie = nullptr;
    QTimer *m_timer;
    bool m_active = false;
    int m_stopFrame = 0;
    int m_frame = 0;
};
