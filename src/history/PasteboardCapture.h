#pragma once

#include "history/ClipboardItem.h"
#include "history/formats/CaptureLimits.h"
#include "platform/Pasteboard.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Reading one change of the clipboard into a new history entry. Runs on the capture worker,
// never on the main thread: it waits on the owner and converts what the owner sent. Nothing
// here keeps state or changes the clipboard. copiedAt is in seconds since 2001-01-01 UTC.

// Non-blank plain text makes a text or rich entry (the text kept untrimmed); otherwise an image
// makes an image entry; otherwise, and for contents marked as secret, nothing.
std::optional<ClipboardItem> captureItem(PasteboardContents &contents,
                                         double copiedAt = ClipboardItem::now());

// A rich entry when the clipboard holds a rich form of the text, else a text entry.
ClipboardItem makeTextItem(const QString &text, PasteboardContents &contents,
                           double copiedAt = ClipboardItem::now());

// The RTF flavour byte for byte; else the HTML flavour converted to RTF; else nothing. An RTF
// flavour that is empty or not an RTF document counts as absent, as does HTML with no content.
std::optional<QByteArray> richTextData(PasteboardContents &contents);

// Whether the rich form carries a link (an anchor with a target other than javascript:), or
// else the plain text holds one. An RTF over rtfDocumentBytes is not read: its text is.
bool detectLink(const QString &text, const std::optional<QByteArray> &rtfData);

// An image entry holding the clipboard's image as PNG, or nothing when there is no image or
// it cannot be read (logged).
std::optional<ClipboardItem> makeImageItem(PasteboardContents &contents,
                                           double copiedAt = ClipboardItem::now());
