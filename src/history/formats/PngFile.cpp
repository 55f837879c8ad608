#include "history/formats/PngFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

const unsigned char *bytesOf(const QByteArray &bytes) {
    return reinterpret_cast<const unsigned char *>(bytes.constData());
}

bool hasSignature(const QByteArray &bytes) {
    return bytes.size() >= qsizetype(sizeof kSignature) &&
           std::equal(kSignature, kSignature + sizeof kSignature, bytesOf(bytes));
}

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

bool isText(const unsigned char *type) {
    return isChunkType(type, "tEXt") || isChunkType(type, "zTXt") || isChunkType(type, "iTXt");
}

// The ancillary chunks PNG defines besides text: colour, transparency, background, physical
// size, time, EXIF and animation. Small, and read once each.
bool isKnownAncillary(const unsigned char *type) {
    static constexpr char kKnown[][5] = {"cHRM", "gAMA", "iCCP", "sBIT", "sRGB", "cICP",
                                         "mDCV", "cLLI", "bKGD", "hIST", "tRNS", "pHYs",
                                         "sPLT", "tIME", "eXIf", "acTL", "fcTL", "fdAT"};
    return std::any_of(std::begin(kKnown), std::end(kKnown),
                       [type](const char(&known)[5]) { return isChunkType(type, known); });
}

bool isBulky(const unsigned char *type, std::uint32_t length, qint64 maxTextBytes) {
    if (isText(type))
        return qint64(length) > maxTextBytes;
    // A lower-case first letter marks a chunk a decoder may skip.
    return type[0] >= 'a' && type[0] <= 'z' && !isKnownAncillary(type);
}

} // namespace

bool isWellFormedPng(const QByteArray &bytes) {
    if (!hasSignature(bytes))
        return false;
    const unsigned char *data = bytesOf(bytes);
    const std::size_t size = std::size_t(bytes.size());

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

QSize pngSize(const QByteArray &bytes) {
    if (bytes.size() < 24 || !hasSignature(bytes))
        return {};
    const unsigned char *ihdr = bytesOf(bytes) + 8;
    if (bigEndian32(ihdr) != 13 || !isChunkType(ihdr + 4, "IHDR"))
        return {};
    const std::uint32_t width = bigEndian32(ihdr + 8);
    const std::uint32_t height = bigEndian32(ihdr + 12);
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
        return {};
    return QSize(int(width), int(height));
}

bool pngChunksFit(const QByteArray &bytes) {
    const unsigned char *data = bytesOf(bytes);
    for (qsizetype at = 8; bytes.size() - at >= 8;) {
        if (isChunkType(data + at + 4, "IEND"))
            return true;
        const std::uint32_t length = bigEndian32(data + at);
        if (qint64(length) > bytes.size() - at - 12)
            return false;
        at += 12 + qsizetype(length);
    }
    return true;
}

QByteArray withoutBulkyPngChunks(const QByteArray &png, qint64 maxTextBytes,
                                 DroppedChunks *dropped) {
    DroppedChunks taken;
    QByteArray kept; // filled only once something is dropped
    qsizetype keptUpTo = 0;
    const unsigned char *data = bytesOf(png);
    for (qsizetype at = hasSignature(png) ? 8 : png.size(); png.size() - at >= 12;) {
        const std::uint32_t length = bigEndian32(data + at);
        const unsigned char *type = data + at + 4;
        if (isChunkType(type, "IEND") || qint64(length) > png.size() - at - 12)
            break;
        const qsizetype end = at + 12 + qsizetype(length);
        if (isBulky(type, length, maxTextBytes)) {
            if (taken.count == 0)
                kept.reserve(png.size());
            kept.append(QByteArrayView(png).sliced(keptUpTo, at - keptUpTo));
            keptUpTo = end;
            ++taken.count;
            taken.bytes += end - at;
        }
        at = end;
    }
    if (dropped)
        *dropped = taken;
    if (taken.count == 0)
        return png;
    kept.append(QByteArrayView(png).sliced(keptUpTo));
    return kept;
}
