#include "app/AppDelegate.h"
#include "platform/InstanceLock.h"
#include "platform/UnixSignalWatcher.h"
#include "platform/x11/X11Pasteboard.h"
#include "settings/AppSettings.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fputs("tallowquill: no X display: DISPLAY is not set (start it from an X11 or "
                   "XWayland session)\n",
                   stderr);
        return 1;
    }
    // The clipboard, the shortcut and the synthetic paste all go through X11 (XWayland under
    // a Wayland session).
    qputenv("QT_QPA_PLATFORM", "xcb");

    InstanceLock lock(QStringLiteral("tallowquill"));
    if (!lock.tryLock()) {
        std::fputs("tallowquill: already running; this copy exits\n", stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallowquill"));
    QApplication::setDesktopFileName(QStringLiteral("tallowquill"));
    QApplication::setQuitOnLastWindowClosed(false);

    UnixSignalWatcher signalWatcher({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, &app, &QApplication::quit);

    X11Pasteboard pasteboard;
    AppDelegate delegate(pasteboard, AppSettings::shared());
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
