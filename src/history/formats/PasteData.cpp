#include "history/formats/PasteData.h"

#include "history/formats/CaptureLimits.h"
#include "history/formats/PngFile.h"
#include "history/formats/RasterImage.h"
#include "history/formats/RtfReader.h"
#include "platform/HeavyWork.h"
#include "platform/LogQuote.h"
#include "platform/SystemLog.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTextDocument>

namespace {

std::optional<QByteArray> encodePng(const PasteboardImage &image, QString *error) {
    const QImage decoded = RasterImage::decode(image.data, error);
    if (decoded.isNull())
        return std::nullopt;
    QByteArray png;
    QBuffer output(&png);
    output.open(QIODevice::WriteOnly);
    QImageWriter writer(&output, "png");
    if (!writer.write(decoded)) {
        *error = writer.errorString();
        return std::nullopt;
    }
    return png;
}

// The PNG less its big texts and unknown chunks, which every later decode would read again (Qt
// writes a JPEG's comments into the PNG it makes of it, too). One line says what went.
QByteArray keptPng(const QByteArray &png, const PasteboardImage &image) {
    DroppedChunks dropped;
    QByteArray kept = withoutBulkyPngChunks(png, maxKeptPngText, &dropped);
    if (dropped.count > 0)
        SystemLog::write(QStringLiteral("Tallowquill: dropped %1 PNG chunks of %2 bytes, text over "
                                        "%3 bytes or of unknown kinds, from an image (%4)")
                             .arg(dropped.count)
                             .arg(dropped.bytes)
                             .arg(maxKeptPngText)
                             .arg(describeImage(image)));
    return kept;
}

QByteArray htmlFromRtf(const QByteArray &rtf) {
    HeavyWork::check("RTF to HTML");
    const auto document = documentFromRtf(rtf);
    return document ? document->toHtml().toUtf8() : QByteArray();
}

} // namespace

QString describeImage(const PasteboardImage &image) {
    return QStringLiteral("%1, %2 bytes")
        .arg(logQuoted(QString::fromLatin1(image.mimeType)))
        .arg(image.data.size());
}

std::optional<QByteArray> pngData(const PasteboardImage &image, QString *error) {
    QString description;
    std::optional<QByteArray> png =
        isWellFormedPng(image.data) ? std::optional(image.data) : encodePng(image, &description);
    if (!png) {
        if (error)
            *error = description;
        return std::nullopt;
    }
    return keptPng(*png, image);
}

PasteboardData textPasteData(const QString &text, const std::optional<QByteArray> &rtf) {
    PasteboardData data{text};
    if (!rtf)
        return data;
    data.rtf = rtf;
    if (rtf->size() > CaptureLimits::rtfDocumentBytes)
        return data;
    if (QByteArray html = htmlFromRtf(*rtf); !html.isEmpty())
        data.html = std::move(html);
    return data;
}

PasteboardData imagePasteData(const std::optional<QByteArray> &png) {
    PasteboardData data;
    if (png)
        data.png = pngData(PasteboardImage{*png, QByteArrayLiteral("image/png")});
    return data;
}
