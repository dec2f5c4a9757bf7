#include "previewpane.h"

#include "picture/picturerequest.h"
#include "picture/thumbnailcache.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

PreviewPane::PreviewPane(QWidget *parent) : QWidget(parent), m_request(new PictureRequest(this))
{
    setObjectName(QStringLiteral("PreviewPane"));
    m_stretch = new QCheckBox(QStringLiteral("伸縮"), this);
    m_stretch->setObjectName(QStringLiteral("CheckStretch"));
    m_stretch->setChecked(true);
    m_hiritsu = new QCheckBox(QStringLiteral("比率調整"), this);
    m_hiritsu->setObjectName(QStringLiteral("CheckHiritsu"));
    m_hiritsu->setChecked(true);
    m_autoDisp = new QCheckBox(QStringLiteral("自動表示"), this);
    m_autoDisp->setObjectName(QStringLiteral("CheckAutoDisp"));
    m_autoDisp->setChecked(true);

    // The frame sits in a holder of its largest size, so that fitting it
    // never moves the controls around it.
    auto *holder = new QWidget(this);
    holder->setFixedSize(FrameWidth + 2, FrameHeight + 1);
    m_panelImage = new QLabel(QStringLiteral("（画像）"), holder);
    m_panelImage->setObjectName(QStringLiteral("PanelImage"));
    m_panelImage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_panelImage->setAlignment(Qt::AlignCenter);
    m_panelImage->move(1, 0);
    m_panelImage->setFixedSize(FrameWidth, 232);
    m_image = new QLabel(m_panelImage);
    m_image->setObjectName(QStringLiteral("Image"));
    m_image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_image->setGeometry(1, 1, ImageWidth, ImageHeight);
    m_image->setScaledContents(true);

    const QString blue = QStringLiteral("color: blue;");
    auto *label4 = new QLabel(QStringLiteral("Width"), this);
    label4->setObjectName(QStringLiteral("Label4"));
    m_labelWidth = new QLabel(QStringLiteral("0"), this);
    m_labelWidth->setObjectName(QStringLiteral("LabelWidth"));
    m_labelWidth->setStyleSheet(blue);
    auto *label5 = new QLabel(QStringLiteral("Height"), this);
    label5->setObjectName(QStringLiteral("Label5"));
    m_labelHeight = new QLabel(QStringLiteral("0"), this);
    m_labelHeight->setObjectName(QStringLiteral("LabelHeight"));
    m_labelHeight->setStyleSheet(blue);

    auto *checks = new QHBoxLayout;
    checks->addWidget(m_stretch);
    checks->addWidget(m_hiritsu);
    checks->addWidget(m_autoDisp);
    checks->addStretch();
    auto *sizes = new QHBoxLayout;
    sizes->addWidget(label4);
    sizes->addWidget(m_labelWidth, 1);
    sizes->addWidget(label5);
    sizes->addWidget(m_labelHeight, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(checks);
    layout->addWidget(holder);
    layout->addLayout(sizes);
    layout->addStretch();
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    connect(m_stretch, &QCheckBox::clicked, this, &PreviewPane::CheckStretchClick);
    connect(m_hiritsu, &QCheckBox::clicked, this, &PreviewPane::CheckHiritsuClick);
    connect(m_request, &PictureRequest::earlyFinished, this,
            [this](quint64, const DecodedPicture &result) { showThumbnail(result); });
    connect(m_request, &PictureRequest::finished, this,
            [this](quint64, const DecodedPicture &result) { showLoaded(result); });
}

PreviewPane::~PreviewPane() = default;

bool PreviewPane::autoDisplay() const
{
    return m_autoDisp->isChecked();
}

bool PreviewPane::stretchOn() const
{
    return m_stretch->isChecked();
}

void PreviewPane::setAutoDisplay(bool on)
{
    m_autoDisp->setChecked(on);
}

bool PreviewPane::isLoading() const
{
    return m_request->isBusy();
}

void PreviewPane::LoadPreview(const QByteArray &path)
{
    const QSize box(ImageWidth, ImageHeight);
    const bool keepRatio = m_hiritsu->isChecked();
    PictureRequest::Job decode = PictureRequest::coverJob(path, box, true);
    PictureRequest::Job thumbnail;
    // A camera's thumbnail stands in for the stretched picture until the
    // decode arrives; unstretched, only the real pixels will do.
    // A shared thumbnail that covers the box does better still.
    const bool shared = ThumbnailCache::enabled();
    if (m_stretch->isChecked()) {
        thumbnail = [path, box, keepRatio, shared](const std::atomic_bool &cancel) {
            DecodedPicture out;
            out.path = path;
            // The one that covers the box, else a smaller one that still
            // beats a camera's 160 pixels.
            if (shared)
                out.picture = ThumbnailCache().find(path, box);
            if (shared && !out.picture.ok)
                out.picture = ThumbnailCache().find(
                    path, QSize(ThumbnailCache::Edges[0], ThumbnailCache::Edges[0]));
            if (!out.picture.ok)
                out.picture = PictureLoader::readThumbnail(path, &cancel);
            if (out.picture.ok)
                out.picture.image =
                    stretchedPicture(out.picture.image, out.picture.fullSize, keepRatio);
            return out;
        };
    }
    m_request->start(
        [decode, path, keepRatio, shared](const std::atomic_bool &cancel) {
            const ThumbnailCache cache;
            const std::optional<ThumbnailCache::Stamp> stamp =
                shared ? ThumbnailCache::stampOf(path) : std::nullopt;
            // A picture that failed before, unchanged since, is not tried again.
            if (stamp) {
                if (const std::optional<QString> error = cache.failure(path)) {
                    DecodedPicture out;
                    out.path = path;
                    out.picture.error = *error;
                    out.picture.source = PictureResult::Source::Cached;
                    return out;
                }
            }
            DecodedPicture out = decode(cancel);
            if (stamp)
                cache.remember(path, *stamp, out.picture);
            // Scaled once here, off the UI thread, painting is a plain copy.
            if (out.picture.ok)
                out.picture.image =
                    stretchedPicture(out.picture.image, out.picture.fullSize, keepRatio);
            return out;
        },
        thumbnail);
}

void PreviewPane::showThumbnail(const DecodedPicture &result)
{
    m_scaled = QPixmap::fromImage(result.picture.image);
    m_corner = QPixmap();
    m_size = result.picture.fullSize;
    m_path = result.path;
    m_provisional = true;
    FitPreview(m_stretch->isChecked(), m_hiritsu->isChecked());
    emit thumbnailShown();
}

QImage PreviewPane::stretchedPicture(const QImage &picture, QSize fullSize, bool keepRatio)
{
    const QSize bounds(ImageWidth, ImageHeight);
    if (!keepRatio || fullSize.isEmpty())
        return picture.size() == bounds
                   ? picture
                   : picture.scaled(bounds, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // The fitted frame has the picture's shape; the picture fills what the
    // frame shows of the control, undistorted, from its top-left corner.
    const QSize frame = fittedFrame(true, true, fullSize);
    const QSize shown(qMin(frame.width() - 2, ImageWidth), qMin(frame.height() - 2, ImageHeight));
    QSize target = fullSize.scaled(shown, Qt::KeepAspectRatio);
    target = QSize(qMax(1, target.width()), qMax(1, target.height()));
    QImage canvas(bounds, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.drawImage(QPoint(0, 0),
                      picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return canvas;
}

void PreviewPane::showLoaded(const DecodedPicture &result)
{
    // Loading errors are not reported: the previous picture simply stays, or
    // comes back when a thumbnail stood in for the failed one.
    if (result.picture.ok) {
        m_scaled = QPixmap::fromImage(result.picture.image);
        m_corner = QPixmap::fromImage(result.corner);
        m_size = result.picture.fullSize;
        m_path = result.path;
        m_settled = {m_scaled, m_corner, m_size, m_path};
        m_provisional = false;
        FitPreview(m_stretch->isChecked(), m_hiritsu->isChecked());
        emit pictureShown();
    } else if (m_provisional) {
        m_scaled = m_settled.scaled;
        m_corner = m_settled.corner;
        m_size = m_settled.size;
        m_path = m_settled.path;
        m_provisional = false;
        FitPreview(m_stretch->isChecked(), m_hiritsu->isChecked());
        m_labelWidth->setText(QString::number(m_size.width()));
        m_labelHeight->setText(QString::number(m_size.height()));
    }
    emit loadSettled();
}

QSize PreviewPane::fittedFrame(bool stretch, bool keepRatio, QSize picture)
{
    const qint64 w = picture.width();
    const qint64 h = picture.height();
    if (!stretch || !keepRatio || w <= 0 || h <= 0)
        return {FrameWidth, FrameHeight};
    if (w > h)
        return {FrameWidth, int(h * FrameWidth / w)};
    return {int(w * FrameHeight / h), FrameHeight};
}

void PreviewPane::FitPreview(bool stretch, bool keepRatio)
{
    m_image->setScaledContents(stretch);
    m_image->setPixmap(stretch ? m_scaled : m_corner);
    m_panelImage->setFixedSize(fittedFrame(stretch, keepRatio, m_size));
    // With both boxes on, an empty picture leaves the labels as they were.
    if (stretch && keepRatio && (m_size.width() == 0 || m_size.height() == 0))
        return;
    m_labelWidth->setText(QString::number(m_size.width()));
    m_labelHeight->setText(QString::number(m_size.height()));
}

void PreviewPane::CheckStretchClick()
{
    FitPreview(m_stretch->isChecked(), m_hiritsu->isChecked());
}

void PreviewPane::CheckHiritsuClick()
{
    emit reloadRequested();
}
