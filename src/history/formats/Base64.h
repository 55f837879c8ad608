#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Standard Base64 (RFC 4648 alphabet, with padding, no line breaks), the form byte fields take in
// the pins file. Faster than QByteArray's own codec on the megabytes an image entry carries.
namespace Base64 {

constexpr qsizetype encodedSize(qsizetype bytes) {
    return (bytes + 2) / 3 * 4;
}

// Writes exactly encodedSize(bytes.size()) characters to out. Pieces whose sizes are multiples
// of three encode to text that joins up into the encoding of the whole.
void encode(QByteArrayView bytes, char *out);
QByteArray encode(QByteArrayView bytes);

// Strict decoding: only the alphabet, a length that is a multiple of four and at most two '='
// at the very end. Nothing for anything else, white space included.
std::optional<QByteArray> decode(QByteArrayView text);

} // namespace Base64
