#pragma once

#include <QString>

class QWidget;
class SettingsStore;

// Window geometry in the store: "<prefix>.Left", ".Top", ".Width", ".Height"
// in the section "Window". The window's current geometry is the default.
void readWindowPosition(const SettingsStore &store, QWidget *window, const QString &prefix);
void readWindowSize(const SettingsStore &store, QWidget *window, const QString &prefix);
void writeWindowGeometry(SettingsStore &store, const QWidget *window, const QString &prefix);

inline const QString WindowSection = QStringLiteral("Window");
inline const QString SettingSection = QStringLiteral("Setting");
