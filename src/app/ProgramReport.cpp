#include "app/ProgramReport.h"

#include "app/AppDelegate.h"
#include "history/ClipboardMonitor.h"
#include "popup/PopupController.h"
#include "settings/AppSettings.h"

#include <cstdio>
#include <ctime>

namespace {

long long monotonicNanoseconds() {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

void print(const QByteArray &line) {
    std::fprintf(stderr, "tallowquill: %s\n", line.constData());
}

QByteArray reportedText(const ClipboardItem &item) {
    return item.text.left(200).toUtf8().toPercentEncoding(" ");
}

// The popup lists the monitor's items as they are: one line at its first paint, and one for
// every change of the list while it is open.
void reportPopupRows(AppDelegate &delegate) {
    const auto report = [&delegate](const char *what) {
        const QList<ClipboardItem> &items = delegate.monitor().items();
        print(QByteArray("popup ") + what + " at " + QByteArray::number(monotonicNanoseconds()) +
              " ns, " + QByteArray::number(items.size()) +
              " rows, first: " + (items.isEmpty() ? QByteArray() : reportedText(items.first())));
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
        const auto number = [](qsizetype n) { return QByteArray::number(qint64(n)); };
        print("recorded " + kindRawValue(item.kind).toLatin1() + ", " +
              number(monitor.recent().size()) + " recent, " + number(item.text.toUtf8().size()) +
              " text bytes, " + number(item.rtfData ? item.rtfData->size() : 0) + " rtf bytes, " +
              number(item.imageData ? item.imageData->size() : 0) +
              " image bytes: " + reportedText(item));
    });
}

} // namespace

void reportToDrivers(AppDelegate &delegate, const AppSettings &settings) {
    // For bench/startup: the moment the shortcut is registered, on the monotonic clock.
    if (qEnvironmentVariableIsSet("TALLOWQUILL_REPORT_STARTUP"))
        print("shortcut registered at " + QByteArray::number(monotonicNanoseconds()) + " ns");
    if (!qEnvironmentVariableIsSet("TALLOWQUILL_REPORT_HISTORY"))
        return;
    print(settings.hasSeenWelcome() ? "launched, welcome guide already seen"
                                    : "launched, welcome guide due");
    QObject::connect(&delegate, &AppDelegate::welcomeGuideShown, &delegate,
                     [] { print("welcome guide shown"); });
    QObject::connect(&delegate, &AppDelegate::statusItemHighlightChanged, &delegate,
                     [](bool highlighted) {
                         if (highlighted)
                             print("tray icon highlighted");
                     });
    reportRecordedEntries(delegate.monitor());
    reportPopupRows(delegate);
}
