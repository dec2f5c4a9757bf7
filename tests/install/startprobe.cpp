// Preloaded into the installed program by the install test. Once the search
// given on the command line has ended it prints what the user would see (the
// status text, the result lines, the help window's title), checks that the
// browser module next to the program's prefix loads, and closes the main
// window, which ends the program.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLibrary>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

void print(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

QWidget *mainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("TFormMain"))
            return w;
    return nullptr;
}

void report(QWidget *main, const QString &status)
{
    print(QStringLiteral("status: ") + status);
    auto *list = main->findChild<QAbstractItemView *>(QStringLiteral("ListImage"));
    for (int row = 0; row < list->model()->rowCount(); ++row)
        print(QStringLiteral("entry: ") + list->model()->index(row, 0).data().toString().mid(18));
    main->findChild<QAction *>(QStringLiteral("Contents1"))->trigger();
    if (QWidget *help = main->findChild<QWidget *>(QStringLiteral("HelpWindow")))
        print(QStringLiteral("help: ") + help->windowTitle());

    const QString module = QApplication::applicationDirPath() + QLatin1Char('/') +
                           qEnvironmentVariable("PROBE_MODULE_RELDIR") +
                           QStringLiteral("/libvellisk_webengine.so");
    QLibrary library(module);
    print(library.resolve("vellisk_create_browser_engine") != nullptr
              ? QStringLiteral("module: loads")
              : QStringLiteral("module: ") + library.errorString());
    main->close();
}

void watch()
{
    auto *timer = new QTimer(qApp);
    auto *deadline = new QTimer(qApp);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, qApp, [] {
        print(QStringLiteral("probe: the search did not end"));
        QCoreApplication::exit(3);
    });
    // The status panel has no change signal: look at it as the user would.
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, deadline] {
        QWidget *main = mainWindow();
        auto *panel = main ? main->findChild<QLabel *>(QStringLiteral("STB_0")) : nullptr;
        if (panel == nullptr || !panel->text().startsWith(QStringLiteral("検索")))
            return;
        timer->stop();
        deadline->stop();
        report(main, panel->text());
    });
    timer->start(20);
    deadline->start(30000);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watch)
