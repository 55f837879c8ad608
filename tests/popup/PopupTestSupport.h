#pragma once

#include "history/ClipboardMonitor.h"
#include "history/HistoryTestSupport.h"
#include "history/PinStore.h"
#include "settings/AppSettings.h"
#include "support/FakePasteboard.h"

#include <QTemporaryDir>

#include <memory>

namespace tqtest {

// A history in memory with a clock the test moves: entries go straight into the monitor.
struct History {
    History()
        : monitor(pasteboard, settings, pins, [this] { return clock; }) {}

    ClipboardItem add(ClipboardItem::Kind kind, const QString &text, double age = 0,
                      bool link = false) {
        ClipboardItem item = entry(kind, text, clock - age);
        item.containsLink = link;
        if (kind == ClipboardItem::Kind::rich)
            item.rtfData = QByteArrayLiteral("{\\rtf1 ") + text.toUtf8() + "}";
        monitor.add(item);
        return item;
    }
    ClipboardItem addText(const QString &text, double age = 0) {
        return add(ClipboardItem::Kind::text, text, age);
    }
    ClipboardItem addImage(const QByteArray &png) {
        ClipboardItem item = entry(ClipboardItem::Kind::image, QStringLiteral("Image"), clock);
        item.imageData = png;
        monitor.add(item);
        return item;
    }
    void pin(const ClipboardItem &item) { monitor.togglePin(item.id); }

    double clock = 800'000'000;
    QTemporaryDir folder;
    FakePasteboard pasteboard;
    AppSettings settings{std::make_unique<MemoryDefaults>()};
    PinStore pins{folder.path()};
    ClipboardMonitor monitor;
};

} // namespace tqtest
