#pragma once

class ClipboardMonitor;
struct ClipboardItem;

// Puts an entry back on the pasteboard: ClipboardMonitor::writeBack, which alone knows that the
// write is its own.
void writeItem(const ClipboardItem &item, ClipboardMonitor &monitor, bool plainText);
