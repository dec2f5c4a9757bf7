// Shows one local page in a fresh process and prints "READY <ms>": from the
// first Web command of the program (the browser engine not yet loaded) to the
// end of the retrieval, or, built as the reference, from the creation of a
// bare QWebEngineView to the end of its load of the same page.
#include "httpserver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

#ifdef PROBE_FULL_PROGRAM
#include "crawl/thtml.h"
#include "shell/appwindows.h"
#include "shell/tformmain.h"

#include <QComboBox>
#include <QToolButton>
#else
#include <QWebEngineView>
#endif

namespace {
void report(const QElapsedTimer &clock, bool ok)
{
    std::printf(ok ? "READY %.1f\n" : "FAILED %.1f\n", double(clock.nsecsElapsed()) / 1e6);
    std::fflush(stdout);
    QCoreApplication::quit();
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestHttpServer server;
    TestHttpServer::Response page;
    page.contentType = "text/html; charset=utf-8";
    page.chunks = {"<html><head><title>bench</title></head><body><h1>ページ</h1>"
                   "<p>日本語の文章と English text.</p></body></html>"};
    server.route("/page.html", page);
    const QString address = server.url(QStringLiteral("/page.html"));
    QElapsedTimer clock;

#ifdef PROBE_FULL_PROGRAM
    auto windows = createWindows();
    TFormMain *main = windows->main();
    main->findChild<QToolButton *>(QStringLiteral("ToolBtWWW"))->click();
    main->findChild<QComboBox *>(QStringLiteral("ComboURL"))->setEditText(address);
    QObject::connect(main->html(), &THTML::OnEndRetrieval, &app, [&] { report(clock, true); });
    // Once the window is up, as a user's first click would come.
    QTimer::singleShot(0, &app, [&] {
        clock.start();
        main->WebCommand();
    });
#else
    std::unique_ptr<QWebEngineView> view;
    QTimer::singleShot(0, &app, [&] {
        clock.start();
        view = std::make_unique<QWebEngineView>();
        view->resize(672, 400);
        view->show();
        QObject::connect(view.get(), &QWebEngineView::loadFinished, &app,
                         [&](bool ok) { report(clock, ok); });
        view->load(QUrl(address));
    });
#endif
    QTimer::singleShot(60000, &app, [&] { report(clock, false); });
    return app.exec();
}
