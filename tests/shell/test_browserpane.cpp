#include "components/logpane.h"
#include "crawl/linkextractor.h"
#include "crawl/linklist.h"
#include "crawl/singlefetch.h"
#include "crawl/thtml.h"
#include "filebytes.h"
#include "httpserver.h"
#include "picture/pictureloader.h"
#include "picturefiles.h"
#include "settings/tformsetting.h"
#include "shell/appwindows.h"
#include "shell/statusbar.h"
#include "shell/tformmain.h"
#include "testutils.h"
#include "viewer/tformview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

using Response = TestHttpServer::Response;

template <typename T> T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QString::fromLatin1(name));
    if (found == nullptr)
        qFatal("no child %s", name);
    return found;
}

Response page(const QByteArray &body)
{
    Response r;
    r.contentType = "text/html; charset=utf-8";
    r.chunks = {"<html><head><title>t</title></head><body>" + body + "</body></html>"};
    return r;
}

bool browserLibraryLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        qFatal("cannot read /proc/self/maps");
    const QByteArray text = maps.readAll();
    return text.contains("libQt6WebEngineCore") || text.contains("libvellisk_webengine");
}

} // namespace

// The browser pane with the real browser engine and local servers.
class TestBrowserPane : public QObject
{
    Q_OBJECT

    TestHttpServer m_server;
    QTemporaryDir m_dir;
    std::unique_ptr<ConfigSandbox> m_config;
    std::unique_ptr<AppWindows> m_app;
    TFormMain *m = nullptr;

    QString url(const char *path) const { return m_server.url(QString::fromLatin1(path)); }
    QComboBox *comboURL() const { return child<QComboBox>(m, "ComboURL"); }
    QStringList lines(const char *memo) const
    {
        auto *edit = child<QPlainTextEdit>(m, memo);
        auto *log = qobject_cast<LogPane *>(edit);
        const QString text = log != nullptr ? log->text() : edit->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }

    void start()
    {
        m_app = createWindows();
        m = m_app->main();
        child<QToolButton>(m, "ToolBtWWW")->click();
        QVERIFY(m->isWWWMode());
    }

    // Types `address` into the URL box and presses Enter; waits for the
    // page when `waitForPage`.
    void typeAndEnter(const QString &address, bool waitForPage = true)
    {
        QSignalSpy ended(m->html(), &THTML::OnEndRetrieval);
        comboURL()->setEditText(address);
        // To the box, as a user's key arrives; its line edit gets it from there.
        QTest::keyClick(comboURL(), Qt::Key_Return);
        if (waitForPage)
            QVERIFY(ended.wait(30000));
    }

    void showImageLink(const QString &link)
    {
        m->pages()->setCurrentWidget(child<QWidget>(m, "TabURL"));
        m->links()->imageList()->appendEntry(link.toLatin1());
        QListView *list = m->imageLink();
        list->setCurrentIndex(list->model()->index(list->model()->rowCount() - 1, 0));
        m->SingleImageCommand();
    }

private slots:
    void initTestCase()
    {
        m_server.route("/a.html", page("A"));
        m_server.route("/A.HTML", page("A in capitals"));
        m_server.route("/b.html", page("B"));
        m_server.route("/c.html", page("C"));
        m_server.route("/d.html", page("D"));
        m_server.route("/ja.html", page("日本語のページ"));
    }
    void init() { m_config = std::make_unique<ConfigSandbox>(); }
    void cleanup()
    {
        m_app.reset();
        m_config.reset();
    }

    // Runs first: no earlier test of this process may have shown a page.
    void engineLoadsOnlyForTheFirstPage()
    {
        QVERIFY(!browserLibraryLoaded());
        QTemporaryDir walked;
        QVERIFY(PictureFiles::write(walked.filePath(QStringLiteral("p.jpg")),
                                    PictureFiles::quadrants(8, 8)));
        m_app = createWindows();
        m = m_app->main();
        child<QComboBox>(m, "ComboDirectory")->setEditText(walked.path());
        child<QToolButton>(m, "BtTansaku")->click();
        QTRY_COMPARE_WITH_TIMEOUT(m->statusBarMain()->text(0), QStringLiteral("検索完了 : 1 件"),
                                  10000);
        QVERIFY(!browserLibraryLoaded());

        child<QToolButton>(m, "ToolBtWWW")->click();
        typeAndEnter(url("/ja.html"));
        QVERIFY(browserLibraryLoaded());
    }

    // A, B, C, back to B, then D: the history is A, D with D current.
    void historyFollowsTheBrowsersRequests()
    {
        start();
        auto *back = child<QToolButton>(m, "BtBack");
        auto *forward = child<QToolButton>(m, "BtForward");
        typeAndEnter(url("/a.html"));
        QCOMPARE(m->pages()->currentWidget(), child<QWidget>(m, "TabWeb"));
        QCOMPARE(lines("MemoLog"), QStringList{QStringLiteral("FindAddress : ") + url("/a.html")});
        typeAndEnter(url("/b.html"));
        typeAndEnter(url("/c.html"));
        QCOMPARE(m->urlHistory().items(),
                 QStringList({url("/a.html"), url("/b.html"), url("/c.html")}));
        QVERIFY(back->isEnabled());
        QVERIFY(!forward->isEnabled());

        QSignalSpy ended(m->html(), &THTML::OnEndRetrieval);
        back->click();
        QVERIFY(ended.wait(30000));
        QCOMPARE(m->urlHistory().items().size(), 3);
        QCOMPARE(m->urlHistory().currentIndex(), 1);
        QCOMPARE(comboURL()->currentText(), url("/b.html"));
        QVERIFY(forward->isEnabled());

        typeAndEnter(url("/d.html"));
        QCOMPARE(m->urlHistory().items(), QStringList({url("/a.html"), url("/d.html")}));
        QCOMPARE(m->urlHistory().currentIndex(), 1);
        QVERIFY(back->isEnabled());
        QVERIFY(!forward->isEnabled());
        QCOMPARE(comboURL()->currentText(), url("/d.html"));
        QCOMPARE(m->statusBarMain()->text(4), url("/d.html"));
        QCOMPARE(m->busyIndicator(), TFormMain::ImageIdle);
    }

    // Another spelling of an entry selects it; a typed URL already in the
    // drop-down moves to its top; back at the first entry does nothing.
    void caseDropDownAndBackAtTheStart()
    {
        start();
        typeAndEnter(url("/a.html"));
        typeAndEnter(url("/b.html"));
        QCOMPARE(comboURL()->count(), 2);
        QCOMPARE(comboURL()->itemText(0), url("/b.html"));

        typeAndEnter(url("/A.HTML"));
        QCOMPARE(m->urlHistory().items(), QStringList({url("/a.html"), url("/b.html")}));
        QCOMPARE(m->urlHistory().currentIndex(), 0);
        QCOMPARE(comboURL()->count(), 2);
        QCOMPARE(comboURL()->itemText(0), url("/a.html"));
        QCOMPARE(comboURL()->itemText(1), url("/b.html"));

        // A right click in the page opens the pop-up; at the first entry its
        // "戻る" loads nothing.
        auto *popRight = child<QMenu>(m, "PopRight");
        QWidget *page = m->html()->findChild<QWidget *>(QStringLiteral("HTML1View"));
        QVERIFY(page != nullptr && page->focusProxy() != nullptr);
        // The page takes input once its renderer is ready: click until the menu answers.
        for (int i = 0; i < 50 && !popRight->isVisible(); ++i) {
            QTest::mouseClick(page->focusProxy(), Qt::RightButton, {}, QPoint(20, 20));
            if (QTest::qWaitFor([&] { return popRight->isVisible(); }, 200))
                break;
        }
        QVERIFY(popRight->isVisible());
        popRight->hide();
        const QStringList logBefore = lines("MemoLog");
        QAction *n2 = child<QAction>(popRight, "N2");
        QCOMPARE(n2->text(), QStringLiteral("戻る"));
        n2->trigger();
        QCOMPARE(lines("MemoLog"), logBefore);
        QCOMPARE(m->urlHistory().currentIndex(), 0);
        QCOMPARE(comboURL()->currentText(), url("/A.HTML"));
    }

    // With a proxy in use the browser is bypassed: HTTP0 fetches the page
    // through the proxy and only its source is shown.
    void proxyRoadShowsTheSource()
    {
        TestHttpServer proxy;
        Response r;
        r.chunks = {"<html>\n<body>\r", "through the proxy\r\n</body>\n</html>"};
        proxy.setFallback(r);
        start();
        TFormSetting *setting = m_app->setting();
        child<QCheckBox>(setting, "CheckProxy")->setChecked(true);
        child<QLineEdit>(setting, "EditIPAddress")->setText(QStringLiteral("127.0.0.1"));
        child<QLineEdit>(setting, "EditPort")->setText(QString::number(proxy.port()));
        child<QPushButton>(setting, "Button6")->click();
        QVERIFY(m->proxyInUse());

        const QString address = QStringLiteral("http://www.example.invalid/page.html");
        typeAndEnter(address, false);
        QTRY_COMPARE_WITH_TIMEOUT(m->statusBarMain()->text(0), QStringLiteral("探索終了"), 10000);
        QCOMPARE(proxy.requestLines().value(0),
                 QByteArray("GET " + address.toLatin1() + " HTTP/1.1"));
        QCOMPARE(m->singleFetch()->sourceText(),
                 QStringLiteral("<html>\r\n<body>\r\nthrough the proxy\r\n</body>\r\n</html>"));
        QCOMPARE(lines("MemoSrc"),
                 QStringList({QStringLiteral("<html>"), QStringLiteral("<body>"),
                              QStringLiteral("through the proxy"), QStringLiteral("</body>"),
                              QStringLiteral("</html>")}));
        QCOMPARE(child<QLineEdit>(m, "EditHttpURL")->text(), address);
        QCOMPARE(m->busyIndicator(), TFormMain::ImageIdle);
        QVERIFY(!m->html()->engineStarted());
        QVERIFY(m->urlHistory().items().isEmpty());
        QVERIFY(lines("MemoLog").isEmpty());
    }

    void typedNonWebAddressesAreRefused_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("file") << "file:///etc/passwd";
        QTest::newRow("javascript") << "javascript:alert(document.cookie)";
        QTest::newRow("data") << "data:text/html,<b>x</b>";
    }
    void typedNonWebAddressesAreRefused()
    {
        QFETCH(QString, address);
        start();
        typeAndEnter(address, false);
        QCOMPARE(lines("MemoError"), QStringList{QStringLiteral("Refused : ") + address});
        QVERIFY(lines("MemoLog").isEmpty());
        QVERIFY(!m->html()->engineStarted());
        QVERIFY(m->urlHistory().items().isEmpty());
        QCOMPARE(m->pages()->currentWidget(), child<QWidget>(m, "TabList"));
    }

    // A link of the image list downloaded into the save directory and shown.
    void imageLinks_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome"); // "shown", "refused", "damaged", "failed"
        const QString source = m_dir.filePath(QStringLiteral("source.jpg"));
        QVERIFY(PictureFiles::write(source, PictureFiles::quadrants(64, 48)));
        const QByteArray jpeg = fileBytes(source);
        QTest::newRow("JPG in capitals") << "/P.JPG" << jpeg << "shown";
        QTest::newRow("gif") << "/p.gif" << jpeg << "refused";
        QTest::newRow("damaged") << "/bad.jpg" << QByteArray("\xff\xd8\xff not a picture", 17)
                                 << "damaged";
        QTest::newRow("not found") << "/missing.jpg" << QByteArray() << "failed";
    }
    void imageLinks()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        Response r;
        r.contentType = "image/jpeg";
        r.chunks = {body};
        r.status = outcome == QStringLiteral("failed") ? 404 : 200;
        m_server.route(path.toLatin1(), r);
        start();
        QTemporaryDir saveDir;
        child<QLineEdit>(m_app->setting(), "EditDirectory")->setText(saveDir.path());
        const QString link = m_server.url(path);
        const QString saved = saveDir.filePath(QStringLiteral("0000") + path.right(4));

        if (outcome == QStringLiteral("refused")) {
            const QString text = textOfMessageBoxFrom([&] { showImageLink(link); });
            QCOMPARE(text, QStringLiteral("画像リストの画像ファイルを選択してください"));
            QVERIFY(child<QLineEdit>(m, "EditHttpURL")->text().isEmpty());
            QCOMPARE(m->busyIndicator(), TFormMain::ImageIdle);
            return;
        }
        showImageLink(link);
        QCOMPARE(child<QLineEdit>(m, "EditHttpURL")->text(), link);
        QCOMPARE(m->statusBarMain()->text(0), QStringLiteral("イメージ転送中"));
        QCOMPARE(m->busyIndicator(), TFormMain::ImageBusy);
        TFormView *view = m_app->view();
        if (outcome == QStringLiteral("shown")) {
            QTRY_VERIFY_WITH_TIMEOUT(view->isVisible(), 10000);
            QCOMPARE(view->windowTitle(), link + QStringLiteral(" (64 x 48)"));
            QCOMPARE(fileBytes(saved), body);
            QCOMPARE(m->statusBarMain()->text(0), QStringLiteral("画像表示完了"));
        } else if (outcome == QStringLiteral("damaged")) {
            QTRY_COMPARE_WITH_TIMEOUT(m->busyIndicator(), TFormMain::ImageIdle, 10000);
            const QString error = PictureLoader::decodeFull(QFile::encodeName(saved)).error;
            QVERIFY(error.startsWith(QStringLiteral("JPEG ｴﾗｰ")));
            QCOMPARE(m->statusBarMain()->text(0), error);
            QVERIFY(!view->isVisible());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(lines("MemoLog"), QStringList{QStringLiteral("  No Data")},
                                      10000);
            QCOMPARE(lines("MemoError").size(), 1);
            QVERIFY(lines("MemoError")[0].startsWith(link + QStringLiteral(" : ")));
            QVERIFY(!QFile::exists(saved));
        }
        QCOMPARE(m->busyIndicator(), TFormMain::ImageIdle);
        QVERIFY(!child<QTimer>(m, "TimerGazou")->isActive());
    }
};

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestBrowserPane test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_browserpane.moc"
