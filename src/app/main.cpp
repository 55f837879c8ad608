#include "app/AppDelegate.h"
#include "app/ApplicationService.h"
#include "app/CommandLine.h"
#include "app/ProgramReport.h"
#include "app/RunningProgram.h"
#include "history/CaptureQueue.h"
#include "history/ClipboardMonitor.h"
#include "hotkey/HotKeyManager.h"
#include "platform/HeavyWork.h"
#include "platform/InstanceLock.h"
#include "platform/NoHotKeyGrab.h"
#include "platform/QSettingsDefaultsStore.h"
#include "platform/UnixSignalWatcher.h"
#include "platform/XdgAutostartLoginItem.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11TrayPresence.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XTestKeyPoster.h"
#include "platform/x11/XcbHotKeyGrab.h"
#include "popup/PopupController.h"
#include "settings/AppSettings.h"

#include <QApplication>
#include <QDBusConnection>

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
    const CommandLine command = readCommandLine(argc, argv);
    if (command.exitStatus)
        return *command.exitStatus;
    // Read before Qt takes DESKTOP_STARTUP_ID out of the environment.
    const ActivationToken token = ActivationToken::fromEnvironment();

    // The lock decides who runs; the name on the session bus is how a later start reaches it.
    InstanceLock lock(QStringLiteral("tallowquill"));
    if (!lock.tryLock()) {
        const QCoreApplication app(argc, argv);
        return sendToRunningProgram(command.action, token, QDBusConnection::sessionBus());
    }
    if (!command.startsProgram()) {
        std::fputs("tallowquill: not running\n", stderr);
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fputs("tallowquill: no X display: DISPLAY is not set (start it from an X11 or "
                   "XWayland session)\n",
                   stderr);
        return 1;
    }
    // The clipboard, the shortcut and the synthetic paste all go through X11 (XWayland under
    // a Wayland session).
    qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    HeavyWork::forbidOnThisThread();
    QApplication::setApplicationName(QStringLiteral("Tallowquill"));
    // The desktop entry is named after the application id, as the bus name is.
    QApplication::setDesktopFileName(QStringLiteral("org.tallowquill.Tallowquill"));
    QApplication::setQuitOnLastWindowClosed(false);

    UnixSignalWatcher signalWatcher({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, &app, &QApplication::quit);

    // The one place that chooses the platform: everything below reaches it through these.
    X11Pasteboard pasteboard;
    X11Workspace workspace;
    XTestKeyPoster keyPoster;
    X11TrayPresence trays(QDBusConnection::sessionBus());
    XdgAutostartLoginItem loginItem;
    loginItem.retargetDeadEntry();
    AppSettings settings(std::make_unique<QSettingsDefaultsStore>());
    settings.makeShared();
    const auto *x11 = app.nativeInterface<QNativeInterface::QX11Application>();
    HotKeyManager hotKeys(
        x11 && x11->connection()
            ? std::unique_ptr<HotKeyGrab>(std::make_unique<XcbHotKeyGrab>(x11->connection()))
            : std::make_unique<NoHotKeyGrab>());
    hotKeys.makeShared();
    AppDelegate delegate(Platform{pasteboard, workspace, keyPoster, loginItem, trays}, settings);
    delegate.launch();
    reportToDrivers(delegate, settings);
    ApplicationService service(delegate, workspace, QDBusConnection::sessionBus());
    service.start(command.action, token);
    const int code = QApplication::exec();
    // Pins and settings are saved as they change, so nothing is left to save. A conversion still
    // under way on the capture worker is not waited for, and must not outlive Qt's own teardown.
    delegate.monitor().stopCapturing();
    if (CaptureQueue::anyWorkerBusy()) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
