#include "msgbitbtn.h"

TMsgBitBtn::TMsgBitBtn(QWidget *parent) : TMsgBitBtn(QString(), parent)
{
}

TMsgBitBtn::TMsgBitBtn(const QString &caption, QWidget *parent) : QPushButton(caption, parent)
{
    connect(this, &QPushButton::clicked, this, &TMsgBitBtn::handleClick);
}

void TMsgBitBtn::handleClick()
{
    m_answer = MessageBox::None;
    if (!m_displayMsg.isEmpty()) {
        // Box buttons in the usual order of a message dialog, help last.
        static const std::pair<Button, MessageBox::Answer> order[] = {
            {Yes, MessageBox::Yes},       {No, MessageBox::No},       {OK, MessageBox::Ok},
            {Cancel, MessageBox::Cancel}, {Abort, MessageBox::Abort}, {Retry, MessageBox::Retry},
            {Ignore, MessageBox::Ignore}, {All, MessageBox::All},     {Help, MessageBox::Help}};
        QList<MessageBox::Answer> buttons;
        for (const auto &[button, answer] : order) {
            if (m_buttons.testFlag(button))
                buttons.append(answer);
        }
        m_answer = MessageBox::ask(this, m_displayMsg, MessageBox::Kind(int(m_type)), buttons,
                                   [this] { emit helpRequested(m_helpCtx); });
    }
    if (m_onClick)
        m_onClick(this);
    if (m_answer > MessageBox::None && m_answer <= MessageBox::All && m_onAnswer[m_answer])
        m_onAnswer[m_answer](this);
}
