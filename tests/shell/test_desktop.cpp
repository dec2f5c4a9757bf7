#include "components/extarr.h"
#include "components/logpane.h"
#include "disksearch/resultentry.h"
#include "disksearch/resultlistmodel.h"
#include "disksearch/resultlistpane.h"
#include "picture/pictureloader.h"
#include "picturefiles.h"
#include "run/droptarget.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"
#include "testutils.h"
#include "viewer/tformmulti.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace PictureFiles;

class TestDesktop : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<QUrl> m_opened;

    QByteArray picture(const char *name, QSize size = QSize(40, 30))
    {
        const QString path = m_dir.path() + QLatin1Char('/') + QString::fromUtf8(name);
        if (!QFile::exists(path) && !write(path, quadrants(size.width(), size.height())))
            qWarning("cannot write %s", name);
        return QFile::encodeName(path);
    }
    static void drop(QWidget *window, const QMimeData &mime)
    {
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent event(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &event);
    }

public slots:
    void opened(const QUrl &url) { m_opened.append(url); }

private slots:
    void initTestCase()
    {
        // The desktop's handlers stand in for file managers and viewers; no
        // session bus answers for a file manager here.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "opened");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    // Lines drag out as their files, the model/view way: the model gives
    // the data, the first picture among it.
    void listDragsTheSelectedFiles()
    {
        ResultListPane pane;
        const QByteArray first = picture("a b.png");
        const QByteArray second = picture("c.jpg", QSize(20, 10));
        pane.appendEntry(ResultEntry::format(0, 1, first));
        pane.appendEntry(ResultEntry::format(0, 1, second));
        QVERIFY(pane.listView()->dragEnabled());
        ResultListModel *model = pane.model();
        QVERIFY(model->flags(model->index(0)) & Qt::ItemIsDragEnabled);
        std::unique_ptr<QMimeData> mime(model->mimeData({model->index(1), model->index(0)}));
        QCOMPARE(mime->urls(), QList<QUrl>({QUrl::fromLocalFile(QFile::decodeName(first)),
                                            QUrl::fromLocalFile(QFile::decodeName(second))}));
        QCOMPARE(qvariant_cast<QImage>(mime->imageData()).size(), QSize(40, 30));
    }

    // A folder starts a search of it, an address a crawl from it, as the
    // command line does; anything else is a line on "Error".
    void dropsStartRunsOrAreRefused()
    {
        ConfigSandbox config;
        auto windows = createWindows();
        TFormMain *m = windows->main();
        picture("one.jpg");
        picture("two.jpg");

        QMimeData folder;
        folder.setUrls({QUrl::fromLocalFile(m_dir.path() + QStringLiteral("/./"))});
        drop(m, folder);
        QVERIFY(!m->isWWWMode());
        QCOMPARE(m->findChild<QComboBox *>(QStringLiteral("ComboDirectory"))->currentText(),
                 m_dir.path());
        QTRY_VERIFY(m->findChild<QLabel *>(QStringLiteral("STB_0"))
                        ->text()
                        .startsWith(QStringLiteral("検索完了")));

        QMimeData address;
        address.setText(QStringLiteral(" http://127.0.0.1:9/start.html\n"));
        drop(m, address);
        QVERIFY(m->isWWWMode());
        QCOMPARE(m->findChild<QComboBox *>(QStringLiteral("ComboURL"))->currentText(),
                 QStringLiteral("http://127.0.0.1:9/start.html"));
        m->BtStopClick();

        QMimeData file;
        file.setUrls({QUrl::fromLocalFile(QFile::decodeName(picture("one.jpg")))});
        drop(m, file);
        QTRY_VERIFY(m->findChild<LogPane *>(QStringLiteral("MemoError"))
                        ->text()
                        .contains(QStringLiteral("ドロップできません : ") + m_dir.path()));
        QMimeData other;
        other.setUrls({QUrl(QStringLiteral("ftp://example.com/a/"))});
        QCOMPARE(DropTarget::of(other).kind, DropTarget::Kind::None);
        other.setUrls({QUrl(QStringLiteral("https://example.com/a/"))});
        QCOMPARE(DropTarget::of(other).kind, DropTarget::Kind::Url);
    }

    // The menu keeps its item and gains the desktop's three after a line.
    void contextMenuHandsTheFileToTheDesktop()
    {
        ResultListPane pane;
        const QByteArray path = picture("menu.png");
        pane.appendEntry(ResultEntry::format(0, 1, path));
        pane.selectEntry(0);
        auto *menu = pane.findChild<QMenu *>(QStringLiteral("PopupDelete"));
        QStringList items;
        for (QAction *action : menu->actions())
            items.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(items, QStringList({QStringLiteral("削除"), QStringLiteral("似た画像を選ぶ"),
                                     QStringLiteral("-"), QStringLiteral("フォルダを開く"),
                                     QStringLiteral("既定のアプリで開く"),
                                     QStringLiteral("画像をコピー")}));
        m_opened.clear();
        menu->findChild<QAction *>(QStringLiteral("OpenFolder"))->trigger();
        menu->findChild<QAction *>(QStringLiteral("OpenDefault"))->trigger();
        QCOMPARE(m_opened, QList<QUrl>({QUrl::fromLocalFile(m_dir.path()),
                                        QUrl::fromLocalFile(QFile::decodeName(path))}));
        menu->findChild<QAction *>(QStringLiteral("CopyImage"))->trigger();
        const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
        QVERIFY(copied != nullptr);
        QCOMPARE(copied->urls(), QList<QUrl>({QUrl::fromLocalFile(QFile::decodeName(path))}));
        QCOMPARE(qvariant_cast<QImage>(copied->imageData()).size(), QSize(40, 30));
    }

    // The grid shown a second time takes every cell from the shared
    // thumbnails; pictures of it and of the menu for a person to look at.
    void gridFromTheCache()
    {
        ConfigSandbox config;
        auto windows = createWindows();
        TFormMulti *multi = windows->multi();
        QList<QByteArray> paths;
        for (int i = 0; i < 12; ++i) {
            const QString name = m_dir.path() + QStringLiteral("/grid%1").arg(i);
            const QImage image = photoLike(640, 480, quint32(i));
            if (i % 2 == 1 && hasTool(QStringLiteral("cwebp")) &&
                writeWithTool(name + QStringLiteral(".webp"), image, QStringLiteral("cwebp")))
                paths.append(QFile::encodeName(name + QStringLiteral(".webp")));
            else if (write(name + QStringLiteral(".png"), image))
                paths.append(QFile::encodeName(name + QStringLiteral(".png")));
        }
        QSignalSpy filled(multi, &TFormMulti::fillFinished);
        multi->FillMultiWindow(paths, true);
        QVERIFY(filled.wait(20000));
        const quint64 decodes = PictureLoader::pixelDecodes();
        multi->FillMultiWindow(paths, true);
        QVERIFY(filled.wait(20000));
        QCOMPARE(filled.last().first().toBool(), true);
        QCOMPARE(PictureLoader::pixelDecodes(), decodes);
        QVERIFY(multi->arImage()->Image(11)->hasPicture());

        const QString shots = qEnvironmentVariable("VELLISK_SCREENSHOT_DIR");
        if (shots.isEmpty())
            return;
        QVERIFY(QTest::qWaitForWindowExposed(multi));
        QTest::qWait(300);
        QVERIFY(multi->grab().save(shots + QStringLiteral("/grid-from-cache.png")));
        TFormMain *m = windows->main();
        ResultListPane *list = m->resultList();
        for (const QByteArray &path : paths)
            list->appendEntry(ResultEntry::format(0, 1, path));
        m->show();
        QVERIFY(QTest::qWaitForWindowExposed(m));
        list->selectEntry(0);
        auto *menu = list->findChild<QMenu *>(QStringLiteral("PopupDelete"));
        menu->popup(list->listView()->viewport()->mapToGlobal(QPoint(60, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QTest::qWait(300);
        QVERIFY(menu->grab().save(shots + QStringLiteral("/list-context-menu.png")));
        QVERIFY(m->grab().save(shots + QStringLiteral("/list-with-menu-window.png")));
        menu->close();
    }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
