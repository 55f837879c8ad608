#pragma once

#include <QtGlobal>

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
