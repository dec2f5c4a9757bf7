#include "tformselectdir.h"

#include "shell/settingsstore.h"
#include "shell/storedwindow.h"

#include <QDir>

TFormSelectDir::TFormSelectDir(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormSelectDir"));
    setWindowTitle(QStringLiteral("ディレクトリ選択"));
    setModal(true);
    move(105, 85);
    resize(328, 349);
    m_directory = QDir::currentPath();

    SettingsStore store;
    readWindowPosition(store, this, QStringLiteral("fmSelectDir"));
    readWindowSize(store, this, QStringLiteral("fmSelectDir"));
    const QString stored =
        store.ReadString(WindowSection, QStringLiteral("fmSelectDir.Directory"), QString());
    if (!stored.isEmpty() && QDir(stored).exists())
        setDirectory(stored);
}

void TFormSelectDir::setDirectory(const QString &path)
{
    m_directory = path;
}

void TFormSelectDir::done(int result)
{
    SettingsStore store;
    writeWindowGeometry(store, this, QStringLiteral("fmSelectDir"));
    store.WriteString(WindowSection, QStringLiteral("fmSelectDir.Directory"), m_directory);
    store.close();
    QDialog::done(result == 1 ? 1 : 2);
}
