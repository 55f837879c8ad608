#pragma once

#include <QByteArray>
#include <QSize>

// Whether the bytes are a well-formed PNG file: the signature, an IHDR of a real image first,
// every chunk inside the buffer with its CRC right, a palette where one is required, image data,
// and IEND. Runs in about the time of one pass over the bytes, far cheaper than decoding the
// pixels; a deflate stream broken under correct CRCs goes unnoticed.
bool isWellFormedPng(const QByteArray &bytes);

// The width and height in the IHDR, which a PNG must begin with; invalid when it does not. Reads
// 24 bytes whatever follows them.
QSize pngSize(const QByteArray &bytes);

// Whether each chunk of a PNG up to IEND ends inside the bytes. libpng allocates a text or other
// ancillary chunk at the length it claims, up to 2 GiB, before reading it: a copy of a few bytes
// claiming that much would cost gigabytes of memory.
bool pngChunksFit(const QByteArray &bytes);

// The most data a text chunk of a kept PNG may hold: a title, an author or a short note fits, and
// goes with the image when it is pasted. No decoder here sees any text chunk.
constexpr qsizetype maxKeptPngText = 4096;

// What was taken out of a PNG, for a log line.
struct DroppedChunks {
    int count = 0;
    qint64 bytes = 0;
};

// The PNG without its ancillary chunks of unknown kinds and its text chunks (tEXt, zTXt, iTXt)
// holding more than maxTextBytes of data; with maxTextBytes negative, without any text chunk.
// libpng reads each of those and inflates every compressed text, up to 8 MB each, though nothing
// here uses them. Whole chunks go, so the rest keep their CRCs; everything
// else, from IEND on too, stays as it was. The same bytes, not a copy, when nothing is dropped.
QByteArray withoutBulkyPngChunks(const QByteArray &png, qint64 maxTextBytes,
                                 DroppedChunks *dropped = nullptr);
