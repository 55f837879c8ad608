#pragma once

#include <QByteArray>

// Whether the bytes are a well-formed PNG file: the signature, an IHDR of a real image first,
// every chunk inside the buffer with its CRC right, a palette where one is required, image data,
// and IEND. Runs in about the time of one pass over the bytes, far cheaper than decoding the
// pixels; a deflate stream broken under correct CRCs goes unnoticed.
bool isWellFormedPng(const QByteArray &bytes);
