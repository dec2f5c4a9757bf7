#include "openwith.h"

#include "picture/picturemimedata.h"

#include <QAction>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QUrl>

namespace OpenWith {

namespace {

const QString FileManager = QStringLiteral("org.freedesktop.FileManager1");

QUrl urlOf(const QString &path)
{
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
}

} // namespace

void showInFolder(const QByteArray &path)
{
    const QString file = QFile::decodeName(path);
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface *services = bus.isConnected() ? bus.interface() : nullptr;
    // Running, or started by the bus on the call (most file managers are).
    if (services != nullptr &&
        (services->isServiceRegistered(FileManager).value() ||
         services->activatableServiceNames().value().contains(FileManager))) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            FileManager, QStringLiteral("/org/freedesktop/FileManager1"), FileManager,
            QStringLiteral("ShowItems"));
        call << QStringList{urlOf(file).toString(QUrl::FullyEncoded)} << QString();
        // Not waited for: the file manager may take its time to start.
        if (bus.send(call))
            return;
    }
    QDesktopServices::openUrl(urlOf(QFileInfo(file).absolutePath()));
}

void openWithDefault(const QByteArray &path)
{
    QDesktopServices::openUrl(urlOf(QFile::decodeName(path)));
}

void copyPicture(const QByteArray &path)
{
    QGuiApplication::clipboard()->setMimeData(new PictureMimeData({path}));
}

void addItems(QMenu *menu, const std::function<QByteArray()> &current)
{
    menu->addSeparator();
    const struct
    {
        const char *name;
        QString caption;
        void (*run)(const QByteArray &);
    } items[] = {
        {"OpenFolder", QStringLiteral("フォルダを開く"), showInFolder},
        {"OpenDefault", QStringLiteral("既定のアプリで開く"), openWithDefault},
        {"CopyImage", QStringLiteral("画像をコピー"), copyPicture},
    };
    for (const auto &item : items) {
        QAction *action = menu->addAction(item.caption);
        action->setObjectName(QLatin1String(item.name));
        QObject::connect(action, &QAction::triggered, menu, [current, run = item.run] {
            const QByteArray path = current();
            if (!path.isEmpty())
                run(path);
        });
    }
}

} // namespace OpenWith
