#pragma once

#include <QMainWindow>

// A single-image window. The first one is created at start and shared; the
// main window may open further ones on demand.
class TFormView : public QMainWindow
{
    Q_OBJECT
public:
    explicit TFormView(QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
};
