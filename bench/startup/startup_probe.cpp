// Shows a window and prints "READY <resident kB>" once it is exposed, then
// quits. Built twice: with the whole program's start-up, and with a bare
// QWidget as the reference.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <memory>

#include "processmemory.h"

#ifdef PROBE_FULL_PROGRAM
#include "shell/appwindows.h"
#include "shell/tformmain.h"
#endif

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
#ifdef PROBE_FULL_PROGRAM
    auto windows = createWindows();
    QWidget *shown = windows->main();
#else
    QWidget window;
    window.resize(672, 569);
    window.show();
    QWidget *shown = &window;
#endif
    auto *poll = new QTimer(&app);
    QObject::connect(poll, &QTimer::timeout, &app, [&] {
        if (shown->windowHandle() == nullptr || !shown->windowHandle()->isExposed())
            return;
        poll->stop();
        std::printf("READY %lld\n", static_cast<long long>(ProcessMemory::residentKb()));
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    poll->start(0);
    return app.exec();
}
