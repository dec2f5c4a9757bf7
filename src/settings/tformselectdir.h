#pragma once

#include <QDialog>

// The modal directory chooser. exec() answers 1 for "閉じる(&C)" and 2 for
// "ｷｬﾝｾﾙ" or the close box; directory() is the chosen directory.
class TFormSelectDir : public QDialog
{
    Q_OBJECT
public:
    explicit TFormSelectDir(QWidget *parent = nullptr);

    QString directory() const { return m_directory; }
    void setDirectory(const QString &path);

protected:
    void done(int result) override;

private:
    QString m_directory;
};
