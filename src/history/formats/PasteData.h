#pragma once

#include "platform/Pasteboard.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The formats an entry is offered in when it is put back on the clipboard, and the PNG an image
// is kept as.

// The image as a PNG file: well-formed PNG bytes as they are, any other raster format decoded
// (EXIF orientation applied, first frame) and encoded as PNG; nothing for other formats, for
// more than RasterImage::maxPixels to decode, or when unreadable, with the reason in *error.
// Either way without text chunks over maxKeptPngText bytes or ancillary chunks of unknown
// kinds, which are logged in one line when there are any.
std::optional<QByteArray> pngData(const PasteboardImage &image, QString *error = nullptr);

// An image's type and size, for a log line: never any of the content.
QString describeImage(const PasteboardImage &image);

// What pasting a text or rich entry offers: the text, and with RTF also HTML made from it, since
// most programs on Linux paste rich text from HTML. An RTF over rtfDocumentBytes is offered as
// RTF and text only: read whole, it would take too much memory.
PasteboardData textPasteData(const QString &text, const std::optional<QByteArray> &rtf);

// What pasting an image entry offers: its PNG checked again (pinned entries come back from a
// file that may have been edited), or nothing at all, which empties the clipboard rather than
// leaving it as it was.
PasteboardData imagePasteData(const std::optional<QByteArray> &png);
