#pragma once

#include <QSize>
#include <QString>

class QWidget;
class SettingsStore;

// Window geometry in the store: "<prefix>.Left", ".Top", ".Width", ".Height"
// in the section "Window", the window as the user sees it: the place and the
// size of its frame. The window's current geometry is the default.
void readWindowPosition(const SettingsStore &store, QWidget *window, const QString &prefix);
void readWindowSize(const SettingsStore &store, QWidget *window, const QString &prefix);
void writeWindowGeometry(SettingsStore &store, const QWidget *window, const QString &prefix);

// Gives a top-level window the outer (frame) size `size`. Before the window
// system has framed it the frame is not known: the size is taken as it is and
// set again once the frame is known, unless the window is sized otherwise
// before that.
void setOuterSize(QWidget *window, QSize size);

inline const QString WindowSection = QStringLiteral("Window");
inline const QString SettingSection = QStringLiteral("Setting");
