#include "tformmulti.h"

#include "shell/settingsstore.h"
#include "shell/storedwindow.h"

#include <QCloseEvent>

TFormMulti::TFormMulti(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TFormMulti"));
    move(63, 62);
    resize(679, 512);
    SettingsStore store;
    readWindowPosition(store, this, QStringLiteral("fmMulti"));
    readWindowSize(store, this, QStringLiteral("fmMulti"));
}

void TFormMulti::closeEvent(QCloseEvent *event)
{
    SettingsStore store;
    writeWindowGeometry(store, this, QStringLiteral("fmMulti"));
    QMainWindow::closeEvent(event);
}
