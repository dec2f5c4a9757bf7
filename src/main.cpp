#include "shell/appwindows.h"
#include "shell/tformmain.h"

#include <QApplication>

#include <unistd.h>

int main(int argc, char *argv[])
{
    // The browser engine refuses to start as root unless its sandbox is off.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellisk"));
    QApplication::setQuitOnLastWindowClosed(false);

    auto windows = createWindows();
    QObject::connect(windows->main(), &TFormMain::programEnd, &app, &QCoreApplication::quit);
    return app.exec();
}
