#pragma once

#include "history/ClipboardItem.h"
#include "history/ClipboardMonitor.h"
#include "history/formats/ImageTestData.h"
#include "support/FakePasteboard.h"
#include "support/MemoryDefaultsStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>

#include <string>

namespace tqtest {

// Clipboard contents as another program offers them: Offer().text(...).html(...).
struct Offer {
    Offer &text(const QString &string) { return contents.string = string, *this; }
    Offer &rtf(const QByteArray &bytes) { return contents.rtf = bytes, *this; }
    Offer &html(const QByteArray &bytes) { return contents.html = bytes, *this; }
    Offer &image(const QByteArray &bytes, const QByteArray &mimeType = "image/png") {
        return contents.image = PasteboardImage{bytes, mimeType}, *this;
    }
    Offer &concealed() { return contents.concealed = true, *this; }
    operator FakePasteboard::Contents() const { return contents; }

    FakePasteboard::Contents contents;
};

using MemoryDefaults = MemoryDefaultsStore;

// An entry with an id of its own.
inline ClipboardItem entry(ClipboardItem::Kind kind, const QString &text, double copiedAt = 0) {
    return ClipboardItem::make(kind, text, copiedAt);
}

// Waits until the monitor has looked at every change and the capture worker has handed back
// what it found; false if that never happens.
inline bool settle(ClipboardMonitor &monitor) {
    const auto settled = [&] {
        return monitor.lastChangeCount() == monitor.pasteboard().changeCount() &&
               !monitor.isCapturing();
    };
    for (QDeadlineTimer deadline(30'000); !settled() && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    return settled();
}

// Polls, then waits until the capture worker has handed back what the poll found.
inline void pollAndSettle(ClipboardMonitor &monitor) {
    monitor.poll();
    settle(monitor);
}

// The entries' texts joined by "|", to compare a whole list at once and read it on failure.
inline std::string texts(const QList<ClipboardItem> &items) {
    QStringList out;
    for (const ClipboardItem &item : items)
        out.append(item.text);
    return out.join(QLatin1Char('|')).toStdString();
}

} // namespace tqtest
