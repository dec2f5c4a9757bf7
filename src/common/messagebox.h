#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through these functions, so that
// texts, captions and button labels are the same everywhere and tests find
// each box as the active modal widget.
namespace MessageBox {

// A plain message with one "OK" button (the old ShowMessage).
void show(QWidget *parent, const QString &text);

// Answers numbered as the confirmation button reports them. Help is a button
// but never an answer: it asks for help and leaves the box open.
enum Answer {
    None = 0,
    Ok = 1,
    Cancel = 2,
    Abort = 3,
    Retry = 4,
    Ignore = 5,
    Yes = 6,
    No = 7,
    All = 8,
    Help = 9
};

enum class Kind { Warning, Error, Information, Confirmation, Custom };

// A modal question: one button per answer in `buttons`, in the given order.
// Closing the box without a button answers Cancel. A Help button runs
// `onHelp` each time it is pressed, and the question stays.
int ask(QWidget *parent, const QString &text, Kind kind, const QList<Answer> &buttons,
        const std::function<void()> &onHelp = {});

// The caption of a box of that kind ("確認" for a confirmation).
QString caption(Kind kind);
QString buttonText(Answer answer);

} // namespace MessageBox
