#pragma once

#include "history/ClipboardItem.h"
#include "history/ClipboardMonitor.h"
#include "support/FakePasteboard.h"
#include "support/MemoryDefaultsStore.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QStringList>
#include <QtEndian>

#include <zlib.h>

#include <string>

namespace tqtest {

// Clipboard contents as another program offers them: Offer().text(...).html(...).
struct Offer {
    Offer &text(const QString &string) { return contents.string = string, *this; }
    Offer &rtf(const QByteArray &bytes) { return contents.rtf = bytes, *this; }
    Offer &html(const QByteArray &bytes) { return contents.html = bytes, *this; }
    Offer &image(const QByteArray &bytes, const QByteArray &mimeType = "image/png") {
        return contents.image = PasteboardImage{bytes, mimeType}, *this;
    }
    Offer &concealed() { return contents.concealed = true, *this; }
    operator FakePasteboard::Contents() const { return contents; }

    FakePasteboard::Contents contents;
};

using MemoryDefaults = MemoryDefaultsStore;

// An entry with an id of its own.
inline ClipboardItem entry(ClipboardItem::Kind kind, const QString &text, double copiedAt = 0) {
    return ClipboardItem::make(kind, text, copiedAt);
}

// Waits until the monitor has looked at every change and the capture worker has handed back
// what it found; false if that never happens.
inline bool settle(ClipboardMonitor &monitor) {
    const auto settled = [&] {
        return monitor.lastChangeCount() == monitor.pasteboard().changeCount() &&
               !monitor.isCapturing();
    };
    for (QDeadlineTimer deadline(30'000); !settled() && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    return settled();
}

// Polls, then waits until the capture worker has handed back what the poll found.
inline void pollAndSettle(ClipboardMonitor &monitor) {
    monitor.poll();
    settle(monitor);
}

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

// The entries' texts joined by "|", to compare a whole list at once and read it on failure.
inline std::string texts(const QList<ClipboardItem> &items) {
    QStringList out;
    for (const ClipboardItem &item : items)
        out.append(item.text);
    return out.join(QLatin1Char('|')).toStdString();
}

} // namespace tqtest
