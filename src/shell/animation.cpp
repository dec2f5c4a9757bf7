#include "animation.h"

#include <QFileInfo>
#include <QMovie>

TAnimate::TAnimate(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
}

void TAnimate::setFileName(const QString &path)
{
    delete m_movie;
    m_movie = nullptr;
    if (!QFileInfo(path).isFile())
        return;
    auto *movie = new QMovie(path, QByteArray(), this);
    if (!movie->isValid()) {
        delete movie;
        return;
    }
    m_movie = movie;
    setMovie(m_movie);
    m_movie->jumpToFrame(m_stopFrame);
}

void TAnimate::setActive(bool active)
{
    m_active = active;
    if (m_movie == nullptr)
        return;
    if (active) {
        m_movie->start();
    } else {
        m_movie->stop();
        m_movie->jumpToFrame(m_stopFrame);
    }
}
