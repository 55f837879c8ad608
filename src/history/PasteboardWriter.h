#pragma once

class ClipboardMonitor;
struct ClipboardItem;

// Puts an entry back on the pasteboard in one write, first arming the monitor's guard so that
// the write is not recorded again: the history keeps the entry where it is, with its id and
// time. With plainText only the text is written, whatever the kind. A rich entry offers RTF,
// HTML made from it and the text; an image entry its PNG, or nothing at all when it has no
// readable image.
void writeItem(const ClipboardItem &item, ClipboardMonitor &monitor, bool plainText);
