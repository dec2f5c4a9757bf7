#pragma once

#include <QByteArray>
#include <QImage>
#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;
class PictureRequest;
struct DecodedPicture;

// A single-image window. The first one is created at start and shared; the
// main window may open further ones on demand.
class TFormView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int TailHeight = 34;

    // `requestedSize`, when its width is not 0, is the size the window takes
    // instead of the stored one.
    explicit TFormView(QSize requestedSize = QSize(), QWidget *parent = nullptr);
    ~TFormView() override;

    // Decodes the file at full size off the UI thread, then shows it with
    // FillViewWindow. An empty path shows the empty picture at once. A file
    // that cannot be read any more is reported in a message box.
    void showFile(const QByteArray &path, const QString &title);
    // Puts the picture in, sets caption and size, and shows the window.
    void FillViewWindow(const QImage &image, const QString &title);

    QSize pictureSize() const { return m_pictureSize; }
    // The file of the picture shown, dragged out as that file; empty when the
    // picture came without one.
    QByteArray picturePath() const { return m_path; }
    bool isLoading() const;

    void CheckStretchClick();
    void BitBtn1Click();

signals:
    // FillViewWindow has shown a picture.
    void pictureShown();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormCreate(QSize requestedSize);
    void placeParts();
    void applyStretch();
    void startDrag();
    void fill(const QImage &image, const QString &title, const QByteArray &path);

    QScrollArea *m_scroll;
    QWidget *m_panel1;
    QLabel *m_image1;
    QFrame *m_panelTail;
    QPushButton *m_bitBtn1;
    QCheckBox *m_checkStretch;
    PictureRequest *m_request;
    QSize m_pictureSize{0, 0};
    QString m_pendingTitle;
    QByteArray m_path;
};
