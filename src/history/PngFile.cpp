#include "history/PngFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>

namespace {

std::uint32_t bigEndian32(const unsigned char *p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
           std::uint32_t(p[3]);
}

bool isChunkType(const unsigned char *p, const char (&type)[5]) {
    return p[0] == type[0] && p[1] == type[1] && p[2] == type[2] && p[3] == type[3];
}

bool isLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isValidHeader(const unsigned char *ihdr) {
    const std::uint32_t width = bigEndian32(ihdr);
    const std::uint32_t height = bigEndian32(ihdr + 4);
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
        return false;
    const unsigned depth = ihdr[8];
    const unsigned colourType = ihdr[9];
    bool depthFits = false;
    switch (colourType) {
    case 0: // grey
        depthFits = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        break;
    case 3: // palette
        depthFits = depth == 1 || depth == 2 || depth == 4 || depth == 8;
        break;
    case 2: // RGB
    case 4: // grey and alpha
    case 6: // RGBA
        depthFits = depth == 8 || depth == 16;
        break;
    default:
        return false;
    }
    return depthFits && ihdr[10] == 0 && ihdr[11] == 0 && ihdr[12] <= 1;
}

} // namespace

bool isWellFormedPng(const QByteArray &bytes) {
    static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const std::size_t size = std::size_t(bytes.size());
    if (size < sizeof kSignature || !std::equal(kSignature, kSignature + 8, data))
        return false;

    bool needsPalette = false;
    bool hasPalette = false;
    bool hasImageData = false;
    std::size_t pos = sizeof kSignature;
    for (bool first = true;; first = false) {
        if (size - pos < 12)
            return false; // truncated
        const std::uint32_t length = bigEndian32(data + pos);
        const unsigned char *type = data + pos + 4;
        if (length > 0x7FFFFFFFu || size - pos - 12 < length)
            return false;
        if (!isLetter(type[0]) || !isLetter(type[1]) || !isLetter(type[2]) || !isLetter(type[3]))
            return false;
        // CRC-32 of ISO 3309, the one PNG uses.
        if (crc32_z(0, type, length + 4) != bigEndian32(type + 4 + length))
            return false;

        const unsigned char *body = type + 4;
        if (first) {
            if (!isChunkType(type, "IHDR") || length != 13 || !isValidHeader(body))
                return false;
            needsPalette = body[9] == 3;
        } else if (isChunkType(type, "IHDR")) {
            return false;
        } else if (isChunkType(type, "PLTE")) {
            hasPalette = true;
        } else if (isChunkType(type, "IDAT")) {
            if (needsPalette && !hasPalette)
                return false;
            hasImageData = true;
        } else if (isChunkType(type, "IEND")) {
            return hasImageData; // what follows IEND is not part of the image
        }
        pos += 12 + length;
    }
}
