#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box of the program goes through these functions, so that
// texts, captions and button labels are the same everywhere and tests find
// each box as the active modal widget.
namespace MessageBox {

// A plain message with one "OK" button (the old ShowMessage).
void show(QWidget *parent, const QString &text);

// Answers numbered as the confirmation button reports them.
enum Answer { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7, All = 8 };

enum class Kind { Warning, Error, Information, Confirmation, Custom };

// A modal question: one button per answer in `buttons`, in the given order.
// Closing the box without a button answers Cancel.
int ask(QWidget *parent, const QString &text, Kind kind, const QList<Answer> &buttons);

// The caption of a box of that kind ("確認" for a confirmation).
QString caption(Kind kind);
QString buttonText(Answer answer);

} // namespace MessageBox
