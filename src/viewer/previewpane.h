#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QFrame;

// The preview beside the result list: the picture of the current entry with
// its stretch and keep-ratio options and its pixel size.
class PreviewPane : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewPane(QWidget *parent = nullptr);

    bool autoDisplay() const;
    void setAutoDisplay(bool on);

private:
    QCheckBox *m_stretch;
    QCheckBox *m_hiritsu;
    QCheckBox *m_autoDisp;
    QFrame *m_panelImage;
    QLabel *m_image;
    QLabel *m_labelWidth;
    QLabel *m_labelHeight;
};
