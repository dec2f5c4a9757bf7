#pragma once

#include <QWidget>

// The layout dialog of the multi-image window.
class TFormSetteiMulti : public QWidget
{
    Q_OBJECT
public:
    explicit TFormSetteiMulti(QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
};
