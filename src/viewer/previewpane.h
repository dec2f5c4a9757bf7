#pragma once

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QWidget>

class QCheckBox;
class QLabel;
class PictureRequest;
struct DecodedPicture;

// The preview beside the result list: the picture of the current entry with
// its stretch and keep-ratio options and its pixel size.
//
// The image control keeps a fixed 271 × 220 and the frame around it is what
// the fitting resizes, clipping the control. Pictures are decoded off the UI
// thread: with stretch on the control shows a reduced decode scaled to its
// bounds (with keep-ratio on, scaled whole into the frame's shape), with
// stretch off the unscaled top-left corner; both are made at load time so
// that switching the stretch never reads the file again.
class PreviewPane : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ImageWidth = 271;
    static constexpr int ImageHeight = 220;
    static constexpr int FrameWidth = 273;
    static constexpr int FrameHeight = 288;

    explicit PreviewPane(QWidget *parent = nullptr);
    ~PreviewPane() override;

    bool autoDisplay() const;
    // "伸縮": whether pictures are shown stretched to their frame.
    bool stretchOn() const;
    void setAutoDisplay(bool on);

    // Starts loading the file; when it arrives it replaces the picture and
    // the frame is fitted. With stretch on, a JPEG's embedded thumbnail and
    // its header size are shown first. A failure leaves (or puts back) the
    // picture, frame and labels of the last picture loaded.
    void LoadPreview(const QByteArray &path);
    void FitPreview(bool stretch, bool keepRatio);
    void CheckStretchClick();
    void CheckHiritsuClick();

    // The size of the picture shown (its real size, not the reduced decode's),
    // and the file it came from; empty before the first picture.
    QSize pictureSize() const { return m_size; }
    QByteArray picturePath() const { return m_path; }
    bool isLoading() const;
    PictureRequest *loader() const { return m_request; }

    // The frame size the fitting gives a picture of size W × H.
    static QSize fittedFrame(bool stretch, bool keepRatio, QSize picture);
    // What the control shows stretched: the picture (a decode of a picture
    // of `fullSize`) scaled to the control's bounds, or with `keepRatio`
    // scaled whole into the part of the control its fitted frame shows.
    static QImage stretchedPicture(const QImage &picture, QSize fullSize, bool keepRatio);

signals:
    // The keep-ratio box was clicked: the owner reloads the current entry.
    void reloadRequested();
    // A loaded picture has been put in place and fitted.
    void pictureShown();
    // An embedded thumbnail stands in while the picture is decoded.
    void thumbnailShown();
    // The latest load has ended, shown or failed.
    void loadSettled();

private:
    void showThumbnail(const DecodedPicture &result);
    void showLoaded(const DecodedPicture &result);

    QCheckBox *m_stretch;
    QCheckBox *m_hiritsu;
    QCheckBox *m_autoDisp;
    QLabel *m_panelImage;
    QLabel *m_image;
    QLabel *m_labelWidth;
    QLabel *m_labelHeight;
    PictureRequest *m_request;

    QPixmap m_scaled;
    QPixmap m_corner;
    QSize m_size{0, 0};
    QByteArray m_path;
    // The last picture fully loaded, shown again when a decode fails after
    // its thumbnail stood in.
    struct Shown
    {
        QPixmap scaled;
        QPixmap corner;
        QSize size{0, 0};
        QByteArray path;
    };
    Shown m_settled;
    bool m_provisional = false;
};
