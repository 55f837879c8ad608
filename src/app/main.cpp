#include "app/AppDelegate.h"
#include "app/ApplicationService.h"
#include "app/CommandLine.h"
#include "app/ProgramReport.h"
#include "app/RunningProgram.h"
#include "history/CaptureQueue.h"
#include "history/ClipboardMonitor.h"
#include "hotkey/HotKeyManager.h"
#include "platform/BackendChoice.h"
#include "platform/CompositorBoundShortcut.h"
#include "platform/DesktopSession.h"
#include "platform/HeavyWork.h"
#include "platform/InstanceLock.h"
#include "platform/NoHotKeyGrab.h"
#include "platform/QSettingsDefaultsStore.h"
#include "platform/StatusNotifierTrayPresence.h"
#include "platform/SystemLog.h"
#include "platform/UnixSignalWatcher.h"
#include "platform/XdgAutostartLoginItem.h"
#include "platform/desktop/GnomeCustomShortcut.h"
#include "platform/desktop/KGlobalAccelShortcut.h"
#include "platform/wayland/CompositorProbe.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyPoster.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WaylandWorkspace.h"
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
// work over native Wayland windows too), else a grab on the X display, or on Wayland the
// compositor's own binding of the command. Says which, once.
std::unique_ptr<HotKeyGrab> chooseHotKeyGrab(const DesktopSession &session, bool onWayland) {
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
    if (onWayland) {
        SystemLog::write(why + QStringLiteral("the shortcut is bound in the compositor's "
                                              "settings, to tallowquill --popup"));
        return std::make_unique<CompositorBoundShortcut>();
    }
    const auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) {
        SystemLog::write(why + QStringLiteral("the shortcut works only as tallowquill --popup"));
        return std::make_unique<NoHotKeyGrab>();
    }
    SystemLog::write(why + QStringLiteral("the shortcut is grabbed on the X display"));
    return std::make_unique<XcbHotKeyGrab>(x11->connection());
}

// The platform of each backend: everything the logic reaches the system through.
struct X11Backend {
    explicit X11Backend(const DesktopSession &session)
        : workspace(session.wayland) {}
    static constexpr bool onWayland = false;
    X11Pasteboard pasteboard;
    X11Workspace workspace;
    XTestKeyPoster keyPoster;
    X11TrayPresence trays{QDBusConnection::sessionBus()};
};

struct WaylandBackend {
    explicit WaylandBackend(const DesktopSession &) {}
    static constexpr bool onWayland = true;
    WaylandConnection connection;
    WaylandPasteboard pasteboard{connection};
    WaylandWorkspace workspace{connection};
    WaylandKeyPoster keyPoster{connection};
    StatusNotifierTrayPresence trays{QDBusConnection::sessionBus()};
};

template <typename Backend>
int run(const CommandLine &command, const ActivationToken &token) {
    const DesktopSession session = DesktopSession::fromEnvironment();
    Backend backend(session);
    XdgAutostartLoginItem loginItem;
    loginItem.retargetDeadEntry();
    AppSettings settings(std::make_unique<QSettingsDefaultsStore>());
    settings.makeShared();
    HotKeyManager hotKeys(chooseHotKeyGrab(session, Backend::onWayland));
    hotKeys.makeShared();
    AppDelegate delegate(Platform{backend.pasteboard, backend.workspace, backend.keyPoster,
                                  loginItem, backend.trays},
                         settings);
    delegate.launch();
    reportToDrivers(delegate, settings);
    ApplicationService service(delegate, backend.workspace, QDBusConnection::sessionBus());
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
    // A lock that cannot be taken (a folder of another user's, say) tells nothing of a running
    // copy; its name on the bus does.
    if (!lock.isHeld() && runningProgramIsOnTheBus()) {
        const QCoreApplication app(argc, argv);
        return sendToRunningProgram(command.action, token, QDBusConnection::sessionBus());
    }
    if (!command.startsProgram()) {
        std::fputs("tallowquill: not running\n", stderr);
        return 1;
    }
    const BackendChoice choice =
        BackendChoice::choose(qEnvironmentVariable("TALLOWQUILL_BACKEND"),
                              !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"),
                              !qEnvironmentVariableIsEmpty("DISPLAY"), compositorOffersDataControl);
    if (choice.backend == BackendChoice::Backend::none) {
        std::fprintf(stderr, "tallowquill: %s\n", qPrintable(choice.line));
        return 1;
    }
    SystemLog::write(QStringLiteral("Tallowquill: ") + choice.line);
    const bool onWayland = choice.backend == BackendChoice::Backend::wayland;
    // Qt's platform is the backend's, whatever the user exported for other programs.
    qputenv("QT_QPA_PLATFORM", onWayland ? "wayland" : "xcb");

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
    return onWayland ? run<WaylandBackend>(command, token) : run<X11Backend>(command, token);
}
