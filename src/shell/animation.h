#pragma once

#include <QLabel>

class QMovie;

// The small busy animation of the tool bar. It plays a clip when one can be
// read; without one (or with one Qt cannot decode) it simply stays blank.
class TAnimate : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive WRITE setActive)
public:
    explicit TAnimate(QWidget *parent = nullptr);

    // Loads the clip; every failure is ignored and leaves no clip.
    void setFileName(const QString &path);

    bool isActive() const { return m_active; }
    void setActive(bool active);
    void setStopFrame(int frame) { m_stopFrame = frame; }

private:
    QMovie *m_movie = nullptr;
    bool m_active = false;
    int m_stopFrame = 0;
};
