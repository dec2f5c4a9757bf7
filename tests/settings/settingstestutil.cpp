#include "settingstestutil.h"

#include "common/settingsstore.h"
#include "settings/tformselectdir.h"
#include "testutils.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

void onNextChooser(std::function<void(TFormSelectDir *)> handler, int timeoutMs)
{
    auto *timer = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, handler, timeoutMs] {
        auto *chooser = qobject_cast<TFormSelectDir *>(QApplication::activeModalWidget());
        const bool ready = chooser != nullptr && !chooser->isListing();
        if (!ready && clock->elapsed() < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (chooser != nullptr)
            handler(chooser);
    });
    timer->start();
}

QStringList linesOf(const QAbstractItemView *view)
{
    QStringList lines;
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        lines.append(model->index(row, 0).data().toString());
    return lines;
}

bool waitForListing(TFormSelectDir *chooser)
{
    return waitUntil([chooser] { return !chooser->isListing(); }, 10000);
}

bool openDirectoryLine(TFormSelectDir *chooser, const QString &text)
{
    auto *view = chooser->findChild<QAbstractItemView *>(QStringLiteral("DirectoryListBox1"));
    const int row = int(linesOf(view).lastIndexOf(text));
    if (row < 0)
        return false;
    view->setFocus();
    view->setCurrentIndex(view->model()->index(row, 0));
    QTest::keyClick(view, Qt::Key_Return);
    return waitForListing(chooser);
}

void endChooser(TFormSelectDir *chooser, bool ok)
{
    chooser->findChild<QPushButton *>(ok ? QStringLiteral("Button2") : QStringLiteral("Button1"))
        ->click();
}

QString storedValue(const QString &settingsPath, const QString &section, const QString &name)
{
    const SettingsStore store(settingsPath);
    return store.ReadString(section, name, QStringLiteral("<missing>"));
}

QStringList storedNames(const QByteArray &settingsBytes, const QString &section)
{
    QStringList names;
    bool inSection = false;
    for (const QByteArray &raw : settingsBytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inSection = line == QByteArray('[' + section.toLatin1() + ']');
            continue;
        }
        QString name, value;
        if (inSection && SettingsStore::decodeValueLine(line, &name, &value))
            names.append(name);
    }
    return names;
}
