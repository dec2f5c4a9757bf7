#pragma once

#include "common/messagebox.h"

#include <QPushButton>

#include <functional>

// A push button that asks a confirmation question before it reports the
// answer through one event per possible answer. With an empty DisplayMsg no
// question is asked, the answer is 0 and only the ordinary click runs.
class TMsgBitBtn : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(QString DisplayMsg READ displayMsg WRITE setDisplayMsg)
    Q_PROPERTY(int HelpCtx READ helpCtx WRITE setHelpCtx)
    Q_PROPERTY(DialogType MsgDlgType READ msgDlgType WRITE setMsgDlgType)
    Q_PROPERTY(Buttons VisibleButtons READ visibleButtons WRITE setVisibleButtons)
    Q_PROPERTY(int answer READ answer)
public:
    enum DialogType { Warning, Error, Information, Confirmation, Custom };
    Q_ENUM(DialogType)
    enum Button {
        Yes = 0x1,
        No = 0x2,
        OK = 0x4,
        Cancel = 0x8,
        Abort = 0x10,
        Retry = 0x20,
        Ignore = 0x40,
        All = 0x80,
        Help = 0x100
    };
    Q_DECLARE_FLAGS(Buttons, Button)
    Q_FLAG(Buttons)

    // An event receives the button as its sender.
    using ClickEvent = std::function<void(QObject *sender)>;

    explicit TMsgBitBtn(QWidget *parent = nullptr);
    TMsgBitBtn(const QString &caption, QWidget *parent = nullptr);

    QString displayMsg() const { return m_displayMsg; }
    void setDisplayMsg(const QString &text) { m_displayMsg = text; }
    int helpCtx() const { return m_helpCtx; }
    void setHelpCtx(int context) { m_helpCtx = context; }
    DialogType msgDlgType() const { return m_type; }
    void setMsgDlgType(DialogType type) { m_type = type; }
    Buttons visibleButtons() const { return m_buttons; }
    void setVisibleButtons(Buttons buttons) { m_buttons = buttons; }

    // The answer of the last click: 0 none, 1 OK, 2 Cancel, 3 Abort,
    // 4 Retry, 5 Ignore, 6 Yes, 7 No, 8 All.
    int answer() const { return m_answer; }

    void setOnClick(ClickEvent event) { m_onClick = std::move(event); }
    void setOnOkClick(ClickEvent event) { m_onAnswer[MessageBox::Ok] = std::move(event); }
    void setOnCancelClick(ClickEvent event) { m_onAnswer[MessageBox::Cancel] = std::move(event); }
    void setOnAbortClick(ClickEvent event) { m_onAnswer[MessageBox::Abort] = std::move(event); }
    void setOnRetryClick(ClickEvent event) { m_onAnswer[MessageBox::Retry] = std::move(event); }
    void setOnIgnoreClick(ClickEvent event) { m_onAnswer[MessageBox::Ignore] = std::move(event); }
    void setOnYesClick(ClickEvent event) { m_onAnswer[MessageBox::Yes] = std::move(event); }
    void setOnNoClick(ClickEvent event) { m_onAnswer[MessageBox::No] = std::move(event); }
    void setOnAllClick(ClickEvent event) { m_onAnswer[MessageBox::All] = std::move(event); }

signals:
    // The question's Help button was pressed; the question stays open.
    void helpRequested(int helpCtx);

private:
    void handleClick();

    QString m_displayMsg;
    int m_helpCtx = 0;
    DialogType m_type = Confirmation;
    Buttons m_buttons = Buttons(OK) | Cancel;
    int m_answer = MessageBox::None;
    ClickEvent m_onClick;
    ClickEvent m_onAnswer[MessageBox::All + 1];
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TMsgBitBtn::Buttons)
