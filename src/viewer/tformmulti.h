#pragma once

#include <QMainWindow>

// The multi-image grid window.
class TFormMulti : public QMainWindow
{
    Q_OBJECT
public:
    explicit TFormMulti(QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
};
