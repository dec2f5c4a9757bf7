#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QAbstractItemView;
class QWidget;
class TFormSelectDir;

// Arms a watcher: when the directory chooser next runs modally and has read
// its directory, `handler` gets it (and ends it with one of its buttons).
void onNextChooser(std::function<void(TFormSelectDir *)> handler, int timeoutMs = 10000);

// The display lines of a list control.
QStringList linesOf(const QAbstractItemView *view);

// Opens the line `text` of the chooser's directory list as a user does, with
// Enter on it, and waits until the new directory has been read.
bool openDirectoryLine(TFormSelectDir *chooser, const QString &text);
bool waitForListing(TFormSelectDir *chooser);

// Ends the chooser with "閉じる(&C)" (true) or "ｷｬﾝｾﾙ" (false).
void endChooser(TFormSelectDir *chooser, bool ok);

// The value of `name` in `section` as the settings file holds it, and the
// names of a section in file order.
QString storedValue(const QString &settingsPath, const QString &section, const QString &name);
QStringList storedNames(const QByteArray &settingsBytes, const QString &section);
