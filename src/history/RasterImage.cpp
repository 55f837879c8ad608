#include "history/RasterImage.h"

#include <QBuffer>
#include <QImageReader>

namespace RasterImage {

namespace {

// Formats whose readers take nothing but the bytes given.
const QByteArrayList &rasterFormats() {
    static const QByteArrayList formats{"png", "jpeg", "bmp", "gif", "webp", "tiff"};
    return formats;
}

} // namespace

bool fits(QSize pixels, QString *error) {
    if (qint64(pixels.width()) * pixels.height() <= maxPixels)
        return true;
    if (error)
        *error = QStringLiteral("%1 × %2 pixels is more than %3 megapixels")
                     .arg(pixels.width())
                     .arg(pixels.height())
                     .arg(maxPixels / 1'000'000);
    return false;
}

QByteArray format(const QByteArray &bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QByteArray found = QImageReader::imageFormat(&buffer);
    if (found == "jpg")
        found = "jpeg";
    else if (found == "tif")
        found = "tiff";
    return rasterFormats().contains(found) ? found : QByteArray();
}

QSize size(const QByteArray &bytes) {
    const QByteArray kind = format(bytes);
    if (kind.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, kind);
    reader.setDecideFormatFromContent(false);
    return reader.size();
}

QImage decode(const QByteArray &bytes, QString *error, QSize scaledTo) {
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QImage();
    };
    const QByteArray kind = format(bytes);
    if (kind.isEmpty())
        return fail(QStringLiteral("not a raster image"));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, kind);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(true);
    if (!fits(reader.size(), error))
        return {};
    // Also for readers that cannot tell the size before decoding.
    reader.setAllocationLimit(int(maxPixels * 4 / (1 << 20)) + 1);
    if (scaledTo.isValid())
        reader.setScaledSize(scaledTo);
    QImage image = reader.read();
    return image.isNull() ? fail(reader.errorString()) : image;
}

} // namespace RasterImage
