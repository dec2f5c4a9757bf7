#pragma once

#include <QLineEdit>

#include <optional>

// A read-out line edit whose new texts, while it is hidden, wait until it is
// shown. Laying out a line edit's text costs more than the rest of starting
// a transfer, and the crawl rewrites its slot addresses several times a
// second, mostly on a page nobody is looking at.
class DeferredLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

    // Sets the text now when the edit is visible, else when it is next shown.
    void setTextWhenShown(const QString &text);
    // The text the edit shows, or will show once visible.
    QString latestText() const { return m_pending.value_or(text()); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::optional<QString> m_pending;
};
