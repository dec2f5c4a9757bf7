#pragma once

#include <QByteArray>

#include <functional>

class QMenu;

// The desktop's own handling of a listed file: its folder in the file
// manager, the program the desktop opens it with, the clipboard.
namespace OpenWith {

// The folder, with the file selected where the file manager offers that
// (org.freedesktop.FileManager1 on the session bus); otherwise the folder
// through the desktop's URL handler.
void showInFolder(const QByteArray &path);
void openWithDefault(const QByteArray &path);
// The file as a copied file and its picture; the pixels are read when a
// program pastes them.
void copyPicture(const QByteArray &path);

// Adds "フォルダを開く", "既定のアプリで開く" and "画像をコピー" after a
// separator; `current` gives the file they act on (empty: nothing to do).
void addItems(QMenu *menu, const std::function<QByteArray()> &current);

} // namespace OpenWith
