#include "storedwindow.h"

#include "settingsstore.h"

#include <QWidget>

void readWindowPosition(const SettingsStore &store, QWidget *window, const QString &prefix)
{
    const int left = store.ReadInteger(WindowSection, prefix + QStringLiteral(".Left"), window->x());
    const int top = store.ReadInteger(WindowSection, prefix + QStringLiteral(".Top"), window->y());
    window->move(left, top);
}

void readWindowSize(const SettingsStore &store, QWidget *window, const QString &prefix)
{
    const int width =
        store.ReadInteger(WindowSection, prefix + QStringLiteral(".Width"), window->width());
    const int height =
        store.ReadInteger(WindowSection, prefix + QStringLiteral(".Height"), window->height());
    // A stored size of 0 or less would leave no window to find again.
    if (width > 0 && height > 0)
        window->resize(width, height);
}

void writeWindowGeometry(SettingsStore &store, const QWidget *window, const QString &prefix)
{
    store.WriteInteger(WindowSection, prefix + QStringLiteral(".Left"), window->x());
    store.WriteInteger(WindowSection, prefix + QStringLiteral(".Top"), window->y());
    store.WriteInteger(WindowSection, prefix + QStringLiteral(".Width"), window->width());
    store.WriteInteger(WindowSection, prefix + QStringLiteral(".Height"), window->height());
}
