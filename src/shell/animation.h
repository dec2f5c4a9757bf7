#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPointer>

#include <array>

class QMovie;
class QTimer;

// The small busy animation of the tool bar. It plays a clip when one can be
// read; otherwise (no clip, or one Qt cannot decode) it plays frames of its
// own, drawn here. Inactive, it shows its stop frame.
//
// The drawn frames are partly transparent. Painted as they are, each of the
// ten frames a second would first repaint the main window and the tool
// bar beneath, which costs far more than the frame itself; so while it runs,
// the control keeps a copy of what lies beneath it and paints opaquely.
class TAnimate : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive WRITE setActive)
public:
    static constexpr int DrawnFrames = 16;
    static constexpr int FrameIntervalMs = 100;

    explicit TAnimate(QWidget *parent = nullptr);

    // Loads the clip; every failure is ignored and leaves the drawn frames.
    void setFileName(const QString &path);

    bool isActive() const { return m_active; }
    void setActive(bool active);
    void setStopFrame(int frame);

    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showDrawnFrame(int index);
    void captureBackdrop();
    void dropBackdrop();
    void watchSurroundings();

    std::array<QPixmap, DrawnFrames> m_frames;
    QMovie *m_movie = nullptr;
    QTimer *m_timer;
    QPixmap m_backdrop;
    QList<QPointer<QWidget>> m_watched; // parent and window, whose changes stale the backdrop
    bool m_capturePending = false;
    bool m_capturing = false;
    bool m_active = false;
    int m_stopFrame = 0;
    int m_frame = 0;
};
