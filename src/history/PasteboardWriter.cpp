#include "history/PasteboardWriter.h"

#include "history/ClipboardMonitor.h"

void writeItem(const ClipboardItem &item, ClipboardMonitor &monitor, bool plainText) {
    monitor.writeBack(item, plainText);
}
