#include "app/AppDelegate.h"
#include "app/CommandLine.h"
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
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XTestKeyPoster.h"
#include "platform/x11/XcbHotKeyGrab.h"
#include "popup/PopupController.h"
#include "settings/AppSettings.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

long long monotonicNanoseconds() {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

QByteArray reportedText(const ClipboardItem &item) {
    return item.text.left(200).toUtf8().toPercentEncoding(" ");
}

// The popup lists the monitor's items as they are: one line at its first paint, and one for
// every change of the list while it is open.
void reportPopupRows(AppDelegate &delegate) {
    const auto report = [&delegate](const char *what) {
        const QList<ClipboardItem> &items = delegate.monitor().items();
        std::fprintf(stderr, "tallowquill: popup %s at %lld ns, %lld rows, first: %s\n", what,
                     monotonicNanoseconds(), static_cast<long long>(items.size()),
                     items.isEmpty() ? "" : reportedText(items.first()).constData());
    };
    QObject::connect(&delegate.popup(), &PopupController::shownAndPainted, &delegate,
                     [report] { report("painted"); });
    QObject::connect(&delegate.monitor(), &ClipboardMonitor::itemsChanged, &delegate,
                     [report, &delegate] {
                         if (delegate.popup().isOpen())
                             report("updated");
                     });
}

void reportRecordedEntries(ClipboardMonitor &monitor) {
    QObject::connect(&monitor, &ClipboardMonitor::itemsChanged, &monitor, [&monitor] {
        static QUuid last;
        if (monitor.recent().isEmpty() || monitor.recent().first().id == last)
            return;
        const ClipboardItem &item = monitor.recent().first();
        last = item.id;
        std::fprintf(stderr,
                     "tallowquill: recorded %s, %lld recent, %lld text bytes, %lld rtf bytes, %lld "
                     "image bytes: %s\n",
                     qPrintable(kindRawValue(item.kind)),
                     static_cast<long long>(monitor.recent().size()),
                     static_cast<long long>(item.text.toUtf8().size()),
                     static_cast<long long>(item.rtfData ? item.rtfData->size() : 0),
                     static_cast<long long>(item.imageData ? item.imageData->size() : 0),
                     reportedText(item).constData());
    });
}

} // namespace

int main(int argc, char **argv) {
    if (const std::optional<int> answered = answerCommandLine(argc, argv))
        return *answered;
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
    HeavyWork::forbidOnThisThread();
    QApplication::setApplicationName(QStringLiteral("Tallowquill"));
    QApplication::setDesktopFileName(QStringLiteral("tallowquill"));
    QApplication::setQuitOnLastWindowClosed(false);

    UnixSignalWatcher signalWatcher({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, &app, &QApplication::quit);

    // The one place that chooses the platform: everything below reaches it through these.
    X11Pasteboard pasteboard;
    X11Workspace workspace;
    XTestKeyPoster keyPoster;
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
    AppDelegate delegate(Platform{pasteboard, workspace, keyPoster, loginItem}, settings);
    delegate.launch();
    // For bench/startup: the moment the shortcut is registered, on the monotonic clock.
    if (qEnvironmentVariableIsSet("TALLOWQUILL_REPORT_STARTUP"))
        std::fprintf(stderr, "tallowquill: shortcut registered at %lld ns\n",
                     monotonicNanoseconds());
    // For tests and bench/app, which drive the program from outside: whether the guide is due,
    // a line for every entry recorded, and the popup's rows as it shows them.
    if (qEnvironmentVariableIsSet("TALLOWQUILL_REPORT_HISTORY")) {
        std::fprintf(stderr, "tallowquill: launched, %s\n",
                     settings.hasSeenWelcome() ? "welcome guide already seen"
                                               : "welcome guide due");
        QObject::connect(&delegate, &AppDelegate::welcomeGuideShown, &delegate,
                         [] { std::fputs("tallowquill: welcome guide shown\n", stderr); });
        reportRecordedEntries(delegate.monitor());
        reportPopupRows(delegate);
    }
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
