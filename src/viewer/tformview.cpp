#include "tformview.h"

#include "common/messagebox.h"
#include "common/settingsstore.h"
#include "common/storedwindow.h"
#include "picture/picturemimedata.h"
#include "picture/picturerequest.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDrag>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include <climits>
#include <functional>

namespace {
const QString Prefix = QStringLiteral("fmView");

// Stretched, the picture is drawn by the painter straight into the window:
// the label's own way rescales the whole picture at every resize, a pause of
// a tenth of a second for a picture of many megapixels.
//
// A drag that starts on the picture carries its file out of the window.
class PictureLabel : public QLabel
{
public:
    using QLabel::QLabel;
    std::function<void()> onDrag;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            m_pressedAt = event->position().toPoint();
        QLabel::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if ((event->buttons() & Qt::LeftButton) && onDrag &&
            (event->position().toPoint() - m_pressedAt).manhattanLength() >=
                QApplication::startDragDistance()) {
            onDrag();
            return;
        }
        QLabel::mouseMoveEvent(event);
    }

    void paintEvent(QPaintEvent *event) override
    {
        const QPixmap picture = pixmap();
        if (!hasScaledContents() || picture.isNull()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(contentsRect(), picture);
    }

private:
    QPoint m_pressedAt;
};
} // namespace

TFormView::TFormView(QSize requestedSize, QWidget *parent)
    : QWidget(parent, Qt::Window), m_request(new PictureRequest(this))
{
    setObjectName(QStringLiteral("TFormView"));
    setWindowTitle(QStringLiteral("View Form"));

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ScrollBox"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_panel1 = new QWidget;
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    auto *image = new PictureLabel(m_panel1);
    image->onDrag = [this] { startDrag(); };
    m_image1 = image;
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The panel decides the picture's size; the label only fills it.
    m_image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    auto *panelLayout = new QVBoxLayout(m_panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(m_image1);
    m_scroll->setWidget(m_panel1);

    m_panelTail = new QFrame(this);
    m_panelTail->setObjectName(QStringLiteral("PanelTail"));
    m_panelTail->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_bitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                QStringLiteral("閉じる(&C)"), m_panelTail);
    m_bitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    m_bitBtn1->setGeometry(8, 4, 85, 25);
    m_checkStretch = new QCheckBox(QStringLiteral("伸縮"), m_panelTail);
    m_checkStretch->setObjectName(QStringLiteral("CheckStretch"));
    m_checkStretch->setGeometry(104, 8, 80, 17);

    connect(m_bitBtn1, &QPushButton::clicked, this, &TFormView::BitBtn1Click);
    connect(m_checkStretch, &QCheckBox::clicked, this, &TFormView::CheckStretchClick);
    connect(m_request, &PictureRequest::finished, this,
            [this](quint64, const DecodedPicture &result) {
                if (result.picture.ok)
                    fill(result.picture.image, m_pendingTitle, result.path);
                else
                    MessageBox::show(isVisible() ? this : nullptr, result.picture.error);
            });

    resize(365, 281);
    FormCreate(requestedSize);
    applyStretch();
}

TFormView::~TFormView() = default;

void TFormView::FormCreate(QSize requestedSize)
{
    SettingsStore store;
    // Without stored values the window system places the window.
    const int left = store.ReadInteger(WindowSection, Prefix + QStringLiteral(".Left"), INT_MIN);
    const int top = store.ReadInteger(WindowSection, Prefix + QStringLiteral(".Top"), INT_MIN);
    if (left != INT_MIN && top != INT_MIN)
        move(left, top);
    if (requestedSize.width() > 0)
        resize(requestedSize);
    else
        readWindowSize(store, this, Prefix);
    m_panelTail->setFixedHeight(TailHeight);
    placeParts();
}

void TFormView::closeEvent(QCloseEvent *event)
{
    SettingsStore store;
    writeWindowGeometry(store, this, Prefix);
    QWidget::closeEvent(event);
}

void TFormView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeParts();
}

// The picture area takes the client area above the tool strip.
void TFormView::placeParts()
{
    const int tail = m_panelTail->height();
    m_scroll->setGeometry(0, 0, width(), qMax(0, height() - tail));
    m_panelTail->setGeometry(0, qMax(0, height() - tail), width(), tail);
}

// Unstretched, the picture keeps its pixels and scrolls when it is larger
// than the window; stretched, it follows the window's size.
void TFormView::applyStretch()
{
    const bool stretch = m_checkStretch->isChecked();
    m_image1->setScaledContents(stretch);
    m_scroll->setWidgetResizable(stretch);
    if (!stretch)
        m_panel1->resize(m_pictureSize);
}

void TFormView::CheckStretchClick()
{
    applyStretch();
}

void TFormView::BitBtn1Click()
{
    close();
}

bool TFormView::isLoading() const
{
    return m_request->isBusy();
}

void TFormView::showFile(const QByteArray &path, const QString &title)
{
    if (path.isEmpty()) {
        m_request->cancel();
        FillViewWindow(QImage(), title);
        return;
    }
    m_pendingTitle = title;
    m_request->start(PictureRequest::fullJob(path));
}

void TFormView::startDrag()
{
    if (m_path.isEmpty())
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(new PictureMimeData({m_path}));
    const QPixmap shown = m_image1->pixmap();
    if (!shown.isNull())
        drag->setPixmap(shown.scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    drag->exec(Qt::CopyAction);
}

void TFormView::FillViewWindow(const QImage &image, const QString &title)
{
    // A picture put in without its file (a fetched link) has none to drag.
    fill(image, title, QByteArray());
}

void TFormView::fill(const QImage &image, const QString &title, const QByteArray &path)
{
    m_path = path;
    const int w = image.width();
    const int h = image.height();
    m_pictureSize = QSize(w, h);
    m_image1->setPixmap(QPixmap::fromImage(image));
    setWindowTitle(title + QStringLiteral(" (%1 x %2)").arg(w).arg(h));
    m_panel1->resize(w, h);
    applyStretch();
    QSize size(w + 10, h + m_panelTail->height() + 30);
    // A picture larger than the screen gets a window the screen can hold;
    // the picture area scrolls.
    if (QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
    show();
    setWindowState(windowState() &
                   ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    raise();
    emit pictureShown();
}
