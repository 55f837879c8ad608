#pragma once

#include "history/ClipboardItem.h"
#include "platform/Pasteboard.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Reading one change of the clipboard into a new history entry. Runs on the capture worker,
// never on the main thread: it waits on the owner and converts what the owner sent. Nothing
// here keeps state or changes the clipboard. copiedAt is in seconds since 2001-01-01 UTC.

// The most work one copy may cause, in bytes as sent (and for HTML in the shape of its markup).
// Past a bound a copy is recorded in its plainer form (text), or not at all when there is none,
// with one log line naming the type and the size, never the content.
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
// HTML is converted to RTF by Qt's reader, which cannot be stopped once started and whose work
// follows the shape of the markup more than its size: the shape is measured first (HtmlShape),
// and past any of these bounds the copy is recorded as plain text. On a 2-core machine the worst
// HTML found within all of them converts in about 1 s of CPU with a peak of about 130 MB; without
// them 300 KB took minutes, and 4 MiB of <p> tags 11 s and 1.1 GB.
// Attributes cost Qt about 1 us and 150 B each, style declarations 3 us and 500 B: 0.6 s here.
constexpr qsizetype htmlBytes = qsizetype(2) << 20;
// Start tags and paragraph breaks: up to 15 us and 2 KB each (table cells, headings, quotes).
constexpr qsizetype htmlElements = 32768;
// Qt climbs from every element to the top, about 30 ns a level: 8 us an element at this depth.
constexpr qsizetype htmlDepth = 256;
// Each climbs to the top to be ignored: about 1 us each at the greatest depth.
constexpr qsizetype htmlUnmatchedEndTags = 65536;
// A paragraph joining a list touches all in it, about 30 ns each: 0.15 s for this many.
constexpr qsizetype htmlListLength = 2048;
// A cell spanned over, empty, still costs about 3 us and 150 B (in the RTF too): 0.2 s.
constexpr qsizetype htmlTableCells = 65536;
// Each element's format is compared with every distinct one, about 10 ns each: 0.1 s.
constexpr qsizetype htmlNames = 256;
// Link targets and titles are hashed again for each element they reach, 1.5 ns a character.
constexpr qsizetype htmlFormattingText = qsizetype(64) << 20;
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
