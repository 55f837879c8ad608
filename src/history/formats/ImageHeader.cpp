#include "history/formats/ImageHeader.h"

#include <QtEndian>

#include <climits>

namespace ImageHeader {

namespace {

const uchar *bytesOf(const QByteArray &bytes) {
    return reinterpret_cast<const uchar *>(bytes.constData());
}

QSize sizeOf(quint32 width, quint32 height) {
    if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX)
        return {};
    return QSize(int(width), int(height));
}

// Start-of-frame markers run from 0xC0 to 0xCF, less 0xC4 (Huffman tables), 0xC8 (reserved) and
// 0xCC (arithmetic coding conditions).
bool isStartOfFrame(uchar marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

} // namespace

QSize jpegSize(const QByteArray &bytes) {
    const uchar *data = bytesOf(bytes);
    const qsizetype size = bytes.size();
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return {};
    for (qsizetype at = 2; at < size;) {
        // As libjpeg does, skip stray bytes up to a marker and the fill bytes before its code.
        if (data[at] != 0xFF) {
            ++at;
            continue;
        }
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at == size)
            return {};
        const uchar marker = data[at++];
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no segment follows
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA)
            return {}; // a second start, the end, or the scan before any frame header
        if (size - at < 2)
            return {};
        const qsizetype length = qFromBigEndian<quint16>(data + at);
        if (length < 2 || size - at < length)
            return {};
        if (isStartOfFrame(marker)) {
            if (length < 8) // length, precision, height, width, components
                return {};
            return sizeOf(qFromBigEndian<quint16>(data + at + 5),
                          qFromBigEndian<quint16>(data + at + 3));
        }
        at += length;
    }
    return {};
}

QSize webpSize(const QByteArray &bytes) {
    // "RIFF", the file size, "WEBP", then the first chunk's type and size and its data at 20.
    const QByteArrayView view(bytes);
    if (view.size() < 25 || !view.startsWith("RIFF") || view.sliced(8, 4) != "WEBP")
        return {};
    const QByteArrayView type = view.sliced(12, 4);
    const uchar *data = bytesOf(bytes) + 20;
    if (type == "VP8L") { // a signature byte, then 14 bits each of width and height less one
        const quint32 bits = qFromLittleEndian<quint32>(data + 1);
        return data[0] == 0x2F ? sizeOf(1 + (bits & 0x3FFF), 1 + (bits >> 14 & 0x3FFF)) : QSize();
    }
    if (view.size() < 30)
        return {};
    if (type == "VP8X") // flags and reserved bytes, then 24 bits each of width and height less one
        return sizeOf(1 + (qFromLittleEndian<quint32>(data + 4) & 0xFFFFFF),
                      1 + (qFromLittleEndian<quint32>(data + 6) >> 8));
    if (type == "VP8 ") { // a key frame's tag and start code, then 14 bits of width and height
        if ((data[0] & 1) != 0 || data[3] != 0x9D || data[4] != 0x01 || data[5] != 0x2A)
            return {};
        return sizeOf(qFromLittleEndian<quint16>(data + 6) & 0x3FFF,
                      qFromLittleEndian<quint16>(data + 8) & 0x3FFF);
    }
    return {};
}

QSize tiffSize(const QByteArray &bytes) {
    const uchar *data = bytesOf(bytes);
    const qint64 size = bytes.size();
    if (size < 8 || data[0] != data[1] || (data[0] != 'I' && data[0] != 'M'))
        return {};
    const bool little = data[0] == 'I';
    const auto read16 = [data, little](qint64 at) -> quint32 {
        return little ? qFromLittleEndian<quint16>(data + at) : qFromBigEndian<quint16>(data + at);
    };
    const auto read32 = [data, little](qint64 at) {
        return little ? qFromLittleEndian<quint32>(data + at) : qFromBigEndian<quint32>(data + at);
    };
    const qint64 directory = read32(4);
    if (read16(2) != 42 || directory < 8 || size - directory < 2)
        return {};
    // Entries of 12 bytes: tag, type, count and the value itself when it fits in 4 bytes.
    quint32 width = 0;
    quint32 height = 0;
    const quint32 entries = read16(directory);
    for (qint64 at = directory + 2; at < directory + 2 + 12 * qint64(entries); at += 12) {
        if (size - at < 12)
            return {};
        const quint32 tag = read16(at);
        if (tag != 256 && tag != 257)
            continue;
        const quint32 type = read16(at + 2);
        const quint32 value = type == 3 ? read16(at + 8) : type == 4 ? read32(at + 8) : 0;
        (tag == 256 ? width : height) = value;
    }
    return sizeOf(width, height);
}

} // namespace ImageHeader
