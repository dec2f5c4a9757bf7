// A members' gallery behind a login: the browser pane logs in, and the crawl
// sees what that account sees only with CheckBrowserCookies.
#include "crawl/thtml.h"
#include "nginxserver.h"
#include "settings/tformsetting.h"
#include "shell/appwindows.h"
#include "shell/statusbar.h"
#include "shell/tformmain.h"
#include "testsite.h"
#include "testutils.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class TestBrowserCookies : public QObject
{
    Q_OBJECT
private slots:
    void membersPicturesWithTheBrowsersLogin();
};

void TestBrowserCookies::membersPicturesWithTheBrowsersLogin()
{
    ConfigSandbox sandbox;
    QTemporaryDir www;
    QTemporaryDir save;
    QDir(www.path()).mkpath(QStringLiteral("members"));
    const auto write = [&](const QString &path, const QByteArray &bytes) {
        QFile file(www.path() + path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write(QStringLiteral("/login.html"), "<html><body>welcome</body></html>");
    write(QStringLiteral("/members/index.html"), "<img src=a.jpg><img src=b.jpg>");
    write(QStringLiteral("/members/a.jpg"), makeJpeg({40, 30}, 8000, 1));
    write(QStringLiteral("/members/b.jpg"), makeJpeg({40, 30}, 8000, 2));
    NginxServer nginx(www.path(), {},
                      QStringLiteral("    location = /login.html { add_header Set-Cookie "
                                     "\"session=member; Path=/\"; }\n"
                                     "    location /members/ { if ($cookie_session != member) "
                                     "{ return 403; } }\n"));
    QVERIFY2(nginx.error().isEmpty(), qPrintable(nginx.error()));
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(nginx.port());
    const QString members = base + QStringLiteral("/members/index.html");
    sandbox.writeSettings("[Window]\r\nfmTarnvale.URL=" + members.toLatin1() +
                          "\r\n[Setting]\r\nfmTarnvale.ToolBtWWW=1\r\nfmSetting.Directory=" +
                          save.path().toLocal8Bit() + "\r\nfmSetting.KekkaWWW=1\r\n");
    auto windows = createWindows();
    TFormMain *m = windows->main();
    auto crawl = [&] {
        m->findChild<QComboBox *>(QStringLiteral("ComboURL"))->setEditText(members);
        m->findChild<QToolButton *>(QStringLiteral("BtTansaku"))->click();
        QVERIFY(waitUntil([&] { return m->statusBarMain()->text(0) == QStringLiteral("探索終了"); },
                          60000));
        QTest::qWait(50);
    };
    auto listed = [&] {
        return m->findChild<QAbstractItemView *>(QStringLiteral("ListImage"))->model()->rowCount();
    };

    // Without the box the crawl leaves the browser engine alone.
    crawl();
    QCOMPARE(listed(), 0);
    QVERIFY(!m->html()->engineStarted());

    QSignalSpy loaded(m->html(), &THTML::OnEndRetrieval);
    QVERIFY(m->html()->LoadURL(base + QStringLiteral("/login.html")));
    QVERIFY(loaded.wait(30000));
    crawl();
    QCOMPARE(listed(), 0); // "403": the crawl's own cookies

    windows->setting()
        ->findChild<QCheckBox *>(QStringLiteral("CheckBrowserCookies"))
        ->setChecked(true);
    crawl();
    QCOMPARE(listed(), 2);
}

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestBrowserCookies test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_browsercookies.moc"
