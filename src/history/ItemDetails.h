#pragma once

#include "history/ContentKey.h"
#include "platform/Pasteboard.h"

#include <QSize>
#include <QString>

#include <memory>

struct ClipboardItem;

// What the history and the popup need of an entry beyond its stored fields, worked out from its
// content once, on the capture worker, and shared by every copy of the entry. Each may cost as
// much as the content is large, so none of it is worked out on the user-interface thread, and
// none of it is written to the pins file.
struct ItemDetails {
    ContentKey key;       // the duplicate test
    QString preview;      // the row's label
    QSize imagePixels;    // image entries: the size from the header; invalid when unreadable
    PasteboardData paste; // what pasting offers (a plain paste offers the text alone)
    qint64 bytes = 0;     // memory held here and not shared with the entry's own fields

    // Works them out: for the capture worker.
    static std::shared_ptr<const ItemDetails> of(const ClipboardItem &item);
};

// The entry's details, worked out now (and kept in the entry) when it has none yet.
const ItemDetails &detailsOf(const ClipboardItem &item);

// The memory an entry holds, its details included, for the bound on recent entries.
qint64 memoryOf(const ClipboardItem &item);
