#pragma once

#include "multilayout.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class TFormMulti;

// The layout dialog of the multi-image window: cell size, width adjustment,
// rows and columns, titles. Its values apply when the grid is laid out again.
class TFormSetteiMulti : public QWidget
{
    Q_OBJECT
public:
    explicit TFormSetteiMulti(QWidget *parent = nullptr);

    void setMultiWindow(TFormMulti *multi) { m_multi = multi; }
    TFormMulti *multiWindow() const { return m_multi; }

    // The controls' current values, as the layout reads them.
    MultiLayout::Input layoutInput() const;

    void ShowLayoutValues();
    void Button1Click();
    void BitBtnShuuryouClick();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void readStoredValues();
    void writeStoredValues();

    QPointer<TFormMulti> m_multi;
    QScrollBar *m_scrollSize = nullptr;
    QScrollBar *m_scrollHiritsu = nullptr;
    QScrollBar *m_scrollTitle = nullptr;
    QLabel *m_labelSize = nullptr;
    QLabel *m_labelHiritsu = nullptr;
    QLabel *m_labelTitle = nullptr;
    QLineEdit *m_editGyou = nullptr;
    QLineEdit *m_editRetsu = nullptr;
    QCheckBox *m_checkTitle = nullptr;
    QPushButton *m_button1 = nullptr;
    QPushButton *m_bitBtnShuuryou = nullptr;
};
