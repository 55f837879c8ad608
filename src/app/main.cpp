#include "app/AppDelegate.h"
#include "app/ApplicationService.h"
#include "app/CommandLine.h"
#include "app/ProgramReport.h"
#include "app/RunningProgram.h"
#include "history/CaptureQueue.h"
#include "history/ClipboardMonitor.h"
#include "hotkey/HotKeyManager.h"
#include "platform/DesktopSession.h"
#include "platform/HeavyWork.h"
#include "platform/InstanceLock.h"
#include "platform/NoHotKeyGrab.h"
#include "platform/QSettingsDefaultsStore.h"
#include "platform/SystemLog.h"
#include "platform/UnixSignalWatcher.h"
#include "platform/XdgAutostartLoginItem.h"
#include "platform/desktop/GnomeCustomShortcut.h"
#include "platform/desktop/KGlobalAccelShortcut.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11TrayPresence.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XTestKeyPoster.h"
#include "platform/x11/XcbHotKeyGrab.h"
#include "popup/PopupController.h"
#include "settings/AppSettings.h"

#include <QApplication>
#include <QDBusConnection>
#include <QRegularExpression>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

// The command a desktop runs for the shortcut, as GLib splits command lines.
QString popupCommand() {
    QString path = QCoreApplication::applicationFilePath();
    if (path.contains(QRegularExpression(QStringLiteral("[^A-Za-z0-9_./+-]"))))
        path = u'\'' + path.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
    return path + QStringLiteral(" --popup");
}

// The desktop's own shortcut service where the session names a desktop that has one (its keys
// work over native Wayland windows too), else a grab on the X display. Says which, once.
std::unique_ptr<HotKeyGrab> chooseHotKeyGrab(const DesktopSession &session) {
    QString why = QStringLiteral("Tallowquill: ");
    if (session.desktop == DesktopSession::Desktop::Gnome) {
        if (auto gnome = GnomeCustomShortcut::create(popupCommand())) {
            SystemLog::write(QStringLiteral("Tallowquill: the shortcut is kept in GNOME's "
                                            "keyboard shortcuts"));
            return gnome;
        }
        why += QStringLiteral("GNOME's shortcut settings are not installed, so ");
    } else if (session.desktop == DesktopSession::Desktop::Plasma) {
        if (auto plasma = KGlobalAccelShortcut::create(QDBusConnection::sessionBus())) {
            SystemLog::write(QStringLiteral("Tallowquill: the shortcut is held by Plasma's "
                                            "global shortcuts"));
            return plasma;
        }
        why += QStringLiteral("Plasma's global shortcuts do not answer, so ");
    }
    const auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) {
        SystemLog::write(why + QStringLiteral("the shortcut works only as tallowquill --popup"));
        return std::make_unique<NoHotKeyGrab>();
    }
    SystemLog::write(why + QStringLiteral("the shortcut is grabbed on the X display"));
    return std::make_unique<XcbHotKeyGrab>(x11->connection());
}

} // namespace

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
    // exit(), not quit(): quit() first asks the windows to close, and the settings window refuses.
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, &app,
                     [] { QApplication::exit(0); });

    // The one place that chooses the platform: everything below reaches it through these.
    X11Pasteboard pasteboard;
    const DesktopSession session = DesktopSession::fromEnvironment();
    X11Workspace workspace(session.wayland);
    XTestKeyPoster keyPoster;
    X11TrayPresence trays(QDBusConnection::sessionBus());
    XdgAutostartLoginItem loginItem;
    loginItem.retargetDeadEntry();
    AppSettings settings(std::make_unique<QSettingsDefaultsStore>());
    settings.makeShared();
    HotKeyManager hotKeys(chooseHotKeyGrab(session));
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
