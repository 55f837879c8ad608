#include "history/PasteboardWriter.h"

#include "history/ClipboardMonitor.h"
#include "history/ItemDetails.h"

void writeItem(const ClipboardItem &item, ClipboardMonitor &monitor, bool plainText) {
    // What a full paste offers was made on the capture worker: a page's worth of rich text takes
    // seconds to turn into HTML.
    const PasteboardData data = plainText || item.kind == ClipboardItem::Kind::text
                                    ? PasteboardData{item.text}
                                    : detailsOf(item).paste;
    Pasteboard &pasteboard = monitor.pasteboard();
    // Before the write: the write itself is the change that must not be captured.
    monitor.setSelfCopyUntilChangeCount(pasteboard.changeCount() + 1);
    pasteboard.setContents(data);
}
