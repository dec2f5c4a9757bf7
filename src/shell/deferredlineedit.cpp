#include "deferredlineedit.h"

void DeferredLineEdit::setTextWhenShown(const QString &text)
{
    if (isVisible()) {
        m_pending.reset();
        setText(text);
    } else {
        m_pending = text;
    }
}

void DeferredLineEdit::showEvent(QShowEvent *event)
{
    if (m_pending) {
        setText(*m_pending);
        m_pending.reset();
    }
    QLineEdit::showEvent(event);
}
