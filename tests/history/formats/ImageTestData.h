#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QtEndian>

#include <zlib.h>

namespace tqtest {

// A small image of one colour, encoded in the given format.
inline QByteArray imageOf(QRgb colour, const char *format = "PNG", QSize size = QSize(4, 3)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A PNG chunk of this type and data, its CRC right.
inline QByteArray pngChunk(const char *type, const QByteArray &data) {
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    chunk += QByteArray(type, 4) + data + QByteArray(4, '\0');
    const auto *typeAndData = reinterpret_cast<const Bytef *>(chunk.constData() + 4);
    qToBigEndian<quint32>(quint32(crc32_z(0, typeAndData, 4 + data.size())), chunk.end() - 4);
    return chunk;
}

// The PNG with these chunks after its IHDR and those before its IEND.
inline QByteArray withChunks(const QByteArray &png, const QByteArray &first,
                             const QByteArray &last = {}) {
    const qsizetype afterHeader = 8 + 25;
    return png.first(afterHeader) + first + png.sliced(afterHeader, png.size() - afterHeader - 12) +
           last + png.last(12);
}

} // namespace tqtest
