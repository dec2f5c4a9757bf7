#pragma once

#include <QDialog>

// The about box.
class TFormVersion : public QDialog
{
    Q_OBJECT
public:
    explicit TFormVersion(QWidget *parent = nullptr);
};
