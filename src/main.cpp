#include "shell/appwindows.h"
#include "shell/commandline.h"
#include "shell/tformmain.h"

#include <QApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // Help, version and a bad argument are answered before the display is opened.
    const CommandLine commandLine(arguments);
    if (commandLine.exits()) {
        std::fputs(commandLine.output().toLocal8Bit().constData(),
                   commandLine.exitCode() == 0 ? stdout : stderr);
        return commandLine.exitCode();
    }

    // The browser engine refuses to start as root unless its sandbox is off.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellisk"));
    // Lets the desktop match the windows with the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.qorvin.Vellisk"));
    QApplication::setQuitOnLastWindowClosed(false);

    auto windows = createWindows();
    QObject::connect(windows->main(), &TFormMain::programEnd, &app, &QCoreApplication::quit);
    commandLine.apply(windows->main());
    return app.exec();
}
