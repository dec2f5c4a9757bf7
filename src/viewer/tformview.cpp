#include "tformview.h"

#include "shell/settingsstore.h"
#include "shell/storedwindow.h"

#include <QCloseEvent>

TFormView::TFormView(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TFormView"));
    move(96, 62);
    resize(365, 281);
    SettingsStore store;
    readWindowPosition(store, this, QStringLiteral("fmView"));
    readWindowSize(store, this, QStringLiteral("fmView"));
}

void TFormView::closeEvent(QCloseEvent *event)
{
    SettingsStore store;
    writeWindowGeometry(store, this, QStringLiteral("fmView"));
    QMainWindow::closeEvent(event);
}
