#include "storedwindow.h"

#include "settingsstore.h"

#include <QEvent>
#include <QWidget>

namespace {

const QString PendingName = QStringLiteral("PendingOuterSize");

// Waits for the window's frame: at its first showing on most platforms, a
// little later under a window manager that frames windows after mapping them.
class PendingOuterSize : public QObject
{
public:
    PendingOuterSize(QWidget *window, QSize outer)
        : QObject(window), m_window(window), m_outer(outer), m_inner(window->size())
    {
        setObjectName(PendingName);
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (!m_done && (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) &&
            settled()) {
            m_done = true;
            m_window->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    // False while the frame is still unknown.
    bool settled()
    {
        // Sized anew since (by its own code or by the user): that size stands.
        if (m_window->size() != m_inner)
            return true;
        const QSize frame = m_window->frameGeometry().size() - m_window->size();
        if (frame.width() <= 0 && frame.height() <= 0)
            return false;
        m_done = true;
        m_window->resize(m_outer - frame);
        return true;
    }

    QWidget *m_window;
    QSize m_outer;
    QSize m_inner;
    bool m_done = false;
};

} // namespace

void setOuterSize(QWidget *window, QSize size)
{
    // A size still waiting for the frame gives way to this one.
    const QObjectList children = window->children();
    for (QObject *child : children) {
        if (dynamic_cast<PendingOuterSize *>(child) != nullptr)
            delete child;
    }
    const QSize frame = window->frameGeometry().size() - window->size();
    window->resize(size - frame);
    if (frame.width() <= 0 && frame.height() <= 0)
        new PendingOuterSize(window, size);
}

void readWindowPosition(const SettingsStore &store, QWidget *window, const QString &prefix)
{
    // A window is placed by its frame already.
    const int left =
        store.ReadInteger(WindowSection, prefix + QStringLiteral(".Left"), window->x());
    const int top = store.ReadInteger(WindowSection, prefix + QStringLiteral(".Top"), window->y());
    window->move(left, top);
}

void readWindowSize(const SettingsStore &store, QWidget *window, const QString &prefix)
{
    const QSize current = window->frameGeometry().size();
    const int width =
        store.ReadInteger(WindowSection, prefix + QStringLiteral(".Width"), current.width());
    const int height =
        store.ReadInteger(WindowSection, prefix + QStringLiteral(".Height"), current.height());
    // A stored size of 0 or less would leave no window to find again.
    if (width > 0 && height > 0)
        setOuterSize(window, QSize(width, height));
}

void writeWindowGeometry(SettingsStore &store, const QWidget *window, const QString &prefix)
{
    const QRect frame = window->frameGeometry();
    store.WriteInteger(WindowSection, prefix + QStringLiteral(".Left"), frame.x());
    store.WriteInteger(WindowSection, prefix + QStringLiteral(".Top"), frame.y());
    store.WriteInteger(WindowSection, prefix + QStringLiteral(".Width"), frame.width());
    store.WriteInteger(WindowSection, prefix + QStringLiteral(".Height"), frame.height());
}
