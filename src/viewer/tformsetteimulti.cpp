#include "tformsetteimulti.h"

#include "shell/settingsstore.h"
#include "shell/storedwindow.h"

#include <QCloseEvent>

TFormSetteiMulti::TFormSetteiMulti(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TFormSetteiMulti"));
    move(87, 32);
    resize(261, 269);
    SettingsStore store;
    readWindowPosition(store, this, QStringLiteral("fmSetteiMulti"));
    readWindowSize(store, this, QStringLiteral("fmSetteiMulti"));
}

void TFormSetteiMulti::closeEvent(QCloseEvent *event)
{
    SettingsStore store;
    writeWindowGeometry(store, this, QStringLiteral("fmSetteiMulti"));
    QWidget::closeEvent(event);
}
