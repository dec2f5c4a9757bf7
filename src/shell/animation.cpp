#include "animation.h"

#include <QFileInfo>
#include <QImage>
#include <QMovie>
#include <QPainter>
#include <QTimer>

#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr int FrameWidth = 60;
constexpr int FrameHeight = 35;

// A ring of dots with a bright head running round and a fading tail: one
// turn takes the sixteen frames.
QImage drawBusyFrame(int index)
{
    QImage frame(FrameWidth, FrameHeight, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QPointF centre(FrameWidth / 2.0, FrameHeight / 2.0);
    const double radius = 11.5;
    for (int dot = 0; dot < TAnimate::DrawnFrames; ++dot) {
        const double angle =
            2 * std::numbers::pi * dot / TAnimate::DrawnFrames - std::numbers::pi / 2;
        const int age = (index - dot + TAnimate::DrawnFrames) % TAnimate::DrawnFrames;
        QColor colour(30, 80, 170);
        colour.setAlpha(age < 8 ? 255 - age * 28 : 40);
        painter.setBrush(colour);
        const double size = age == 0 ? 2.6 : 2.0;
        painter.drawEllipse(centre + QPointF(radius * std::cos(angle), radius * std::sin(angle)),
                            size, size);
    }
    return frame;
}

} // namespace

TAnimate::TAnimate(QWidget *parent) : QLabel(parent), m_timer(new QTimer(this))
{
    for (int i = 0; i < DrawnFrames; ++i)
        m_frames[size_t(i)] = QPixmap::fromImage(drawBusyFrame(i));
    setAlignment(Qt::AlignCenter);
    // Ten frames a second, the usual pace of a spinner. Every frame wakes the
    // UI thread, which during a crawl otherwise sleeps through most of each
    // 300 ms tick: at sixteen frames a second the frames alone took a fifth
    // of a crawl's CPU. A coarse timer, so that frames share wake-ups with
    // the crawl's timers where they can.
    m_timer->setTimerType(Qt::CoarseTimer);
    m_timer->setInterval(FrameIntervalMs);
    connect(m_timer, &QTimer::timeout, this,
            [this] { showDrawnFrame((m_frame + 1) % DrawnFrames); });
    showDrawnFrame(m_stopFrame);
}

void TAnimate::setFileName(const QString &path)
{
    if (m_movie != nullptr) {
        setMovie(nullptr);
        delete m_movie;
        m_movie = nullptr;
    }
    if (QFileInfo(path).isFile()) {
        auto *movie = new QMovie(path, QByteArray(), this);
        if (movie->isValid()) {
            m_movie = movie;
            m_timer->stop();
            setMovie(m_movie);
        } else {
            delete movie;
        }
    }
    setActive(m_active);
}

void TAnimate::setStopFrame(int frame)
{
    m_stopFrame = frame;
    if (!m_active)
        setActive(false);
}

void TAnimate::setActive(bool active)
{
    m_active = active;
    if (m_movie != nullptr) {
        if (active) {
            m_movie->start();
            m_movie->setPaused(!isVisible());
        } else {
            m_movie->stop();
            m_movie->jumpToFrame(m_stopFrame);
        }
        return;
    }
    if (active) {
        if (isVisible() && !m_timer->isActive())
            m_timer->start();
    } else {
        m_timer->stop();
        // Idle, the control repaints seldom: it needs no copy, and the next
        // run takes a fresh one.
        dropBackdrop();
        showDrawnFrame(qBound(0, m_stopFrame, DrawnFrames - 1));
    }
}

// Frames nobody can see (the window hidden or minimised) would still wake the
// program ten times a second: the animation waits until it shows again.
void TAnimate::showEvent(QShowEvent *event)
{
    QLabel::showEvent(event);
    if (!m_active)
        return;
    if (m_movie != nullptr)
        m_movie->setPaused(false);
    else if (!m_timer->isActive())
        m_timer->start();
}

void TAnimate::hideEvent(QHideEvent *event)
{
    QLabel::hideEvent(event);
    if (m_movie != nullptr) {
        if (m_movie->state() == QMovie::Running)
            m_movie->setPaused(true);
    } else {
        m_timer->stop();
    }
}

// A new frame only repaints the control: QLabel::setPixmap would also ask
// the tool bar to lay itself out again at every frame.
void TAnimate::showDrawnFrame(int index)
{
    m_frame = index;
    update();
}

QSize TAnimate::sizeHint() const
{
    return m_movie != nullptr ? QLabel::sizeHint() : QSize(FrameWidth, FrameHeight);
}

void TAnimate::paintEvent(QPaintEvent *event)
{
    if (m_movie != nullptr) {
        QLabel::paintEvent(event);
        return;
    }
    if (m_capturing)
        return; // the backdrop is being taken: what lies beneath only
    QPainter painter(this);
    if (!m_backdrop.isNull()) {
        painter.drawPixmap(0, 0, m_backdrop);
    } else if (m_active && !m_capturePending) {
        // Taken after this paint, outside any painting of the window.
        m_capturePending = true;
        QMetaObject::invokeMethod(this, &TAnimate::captureBackdrop, Qt::QueuedConnection);
    }
    const QPixmap &frame = m_frames[size_t(m_frame)];
    painter.drawPixmap((width() - FrameWidth) / 2, (height() - FrameHeight) / 2, frame);
}

void TAnimate::captureBackdrop()
{
    m_capturePending = false;
    if (!m_active || m_movie != nullptr || !isVisible() || !m_backdrop.isNull())
        return;
    QWidget *top = window();
    const qreal ratio = devicePixelRatioF();
    QPixmap backdrop(size() * ratio);
    backdrop.setDevicePixelRatio(ratio);
    backdrop.fill(Qt::transparent);
    // The window drawn over this control's rectangle, the control itself
    // left out (its paintEvent paints nothing meanwhile).
    m_capturing = true;
    top->render(&backdrop, QPoint(), QRegion(QRect(mapTo(top, QPoint()), size())));
    m_capturing = false;
    m_backdrop = backdrop;
    watchSurroundings();
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    update();
}

void TAnimate::dropBackdrop()
{
    if (m_backdrop.isNull())
        return;
    m_backdrop = QPixmap();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    update();
}

// A change of the window or the tool bar may change what lies beneath.
void TAnimate::watchSurroundings()
{
    const QList<QPointer<QWidget>> now{parentWidget(), window()};
    if (now == m_watched)
        return;
    for (const QPointer<QWidget> &w : std::as_const(m_watched))
        if (w != nullptr)
            w->removeEventFilter(this);
    m_watched = now;
    for (const QPointer<QWidget> &w : std::as_const(m_watched))
        if (w != nullptr && w != this)
            w->installEventFilter(this);
}

namespace {
// Events of this control, its tool bar or its window after which what lies
// beneath the control may look different.
bool changesWhatLiesBeneath(QEvent::Type type)
{
    switch (type) {
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::ParentChange: // a tool bar made floating is drawn plainer
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::ActivationChange:
    case QEvent::EnabledChange:
        return true;
    default:
        return false;
    }
}
} // namespace

bool TAnimate::eventFilter(QObject *watched, QEvent *event)
{
    if (changesWhatLiesBeneath(event->type()))
        dropBackdrop();
    return QLabel::eventFilter(watched, event);
}

bool TAnimate::event(QEvent *event)
{
    if (changesWhatLiesBeneath(event->type()))
        dropBackdrop();
    return QLabel::event(event);
}
