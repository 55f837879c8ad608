#pragma once

#include "history/ClipboardItem.h"
#include "platform/Pasteboard.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Reading one change of the clipboard into a new history entry. Runs on the capture worker,
// never on the main thread: it waits on the owner and converts what the owner sent. Nothing
// here keeps state or changes the clipboard. copiedAt is in seconds since 2001-01-01 UTC.

// The most work one copy may cause, in bytes as sent. Past a bound a copy is recorded in its
// plainer form (text), or not at all when there is none, with one log line naming the type and
// the size, never the content.
namespace CaptureLimits {
// Plain text is recorded whole or not at all: a shortened entry would paste something the user
// did not copy. 64 MiB is a long book many times over.
constexpr qsizetype textBytes = qsizetype(64) << 20;
// RTF is kept as offered and read once for links; office programs write about 1 KiB of RTF per
// line of formatted text.
constexpr qsizetype rtfBytes = qsizetype(16) << 20;
// RTF is read into a document (for its links, and for the HTML a paste offers beside it) up to
// this size: with formatting that changes at every character a document takes about 45 MB of
// memory a MiB of RTF, and its HTML ten times the RTF's size. A larger RTF is still kept, and
// pasted as RTF and text.
constexpr qsizetype rtfDocumentBytes = qsizetype(4) << 20;
// HTML is converted to RTF by Qt's parser at about 150 ms and 30 MB of memory per MiB.
constexpr qsizetype htmlBytes = qsizetype(4) << 20;
// An encoded image; its decoded size is bounded by RasterImage::maxPixels.
constexpr qsizetype imageBytes = qsizetype(128) << 20;
} // namespace CaptureLimits

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

// The image as a PNG file: well-formed PNG bytes as they are, any other raster format decoded
// (EXIF orientation applied, first frame) and encoded as PNG; nothing for other formats, for
// more than RasterImage::maxPixels to decode, or when unreadable, with the reason in *error.
// Either way without text chunks over maxKeptPngText bytes or ancillary chunks of unknown
// kinds, which are logged in one line when there are any.
std::optional<QByteArray> pngData(const PasteboardImage &image, QString *error = nullptr);
