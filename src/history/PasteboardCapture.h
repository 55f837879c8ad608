#pragma once

#include "history/ClipboardItem.h"
#include "platform/Pasteboard.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Reading the pasteboard into a new history entry. Nothing here keeps state or changes the
// pasteboard. copiedAt is the moment of capture, in seconds since 2001-01-01 00:00:00 UTC.

// Non-blank plain text makes a text or rich entry (the text kept untrimmed); otherwise an image
// makes an image entry; otherwise, and for contents marked as secret, nothing.
std::optional<ClipboardItem> captureItem(Pasteboard &pasteboard,
                                         double copiedAt = ClipboardItem::now());

// A rich entry when the pasteboard holds a rich form of the text, else a text entry.
ClipboardItem makeTextItem(const QString &text, Pasteboard &pasteboard,
                           double copiedAt = ClipboardItem::now());

// The RTF flavour byte for byte; else the HTML flavour converted to RTF; else nothing. An RTF
// flavour that is empty or not an RTF document counts as absent, as does HTML with no content.
std::optional<QByteArray> richTextData(Pasteboard &pasteboard);

// Whether the rich form carries a link (an anchor with a target other than javascript:), or
// else the plain text holds one.
bool detectLink(const QString &text, const std::optional<QByteArray> &rtfData);

// An image entry holding the pasteboard's image as PNG, or nothing when there is no image or
// it cannot be read (logged).
std::optional<ClipboardItem> makeImageItem(Pasteboard &pasteboard,
                                           double copiedAt = ClipboardItem::now());

// The image as a PNG file: well-formed PNG bytes as they are, any other format Qt reads
// decoded (EXIF orientation applied, first frame) and encoded as PNG; nothing when unreadable,
// with the reason in *error.
std::optional<QByteArray> pngData(const PasteboardImage &image, QString *error = nullptr);
