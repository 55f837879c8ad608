#include "history/formats/RasterImage.h"

#include "history/formats/ImageHeader.h"
#include "history/formats/PngFile.h"
#include "platform/HeavyWork.h"

#include <QBuffer>
#include <QImageReader>

#include <optional>

namespace RasterImage {

namespace {

// A reader of exactly this format, never guessing another from the content.
struct Reader {
    explicit Reader(const QByteArray &bytes, const QByteArray &format) {
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat(format);
        reader.setAutoDetectImageFormat(false);
        reader.setDecideFormatFromContent(false);
    }
    QBuffer buffer;
    QImageReader reader;
};

// The size read here from the header, for the formats whose Qt reader would read more than that
// to answer; nothing for BMP, whose reader reads its header alone, and GIF, whose reader walks
// the frames' blocks without decoding them.
std::optional<QSize> headerSize(const QByteArray &bytes, const QByteArray &kind) {
    if (kind == "png")
        return pngSize(bytes);
    if (kind == "jpeg")
        return ImageHeader::jpegSize(bytes);
    if (kind == "webp")
        return ImageHeader::webpSize(bytes);
    if (kind == "tiff")
        return ImageHeader::tiffSize(bytes);
    return std::nullopt;
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
    // By the signatures alone: asking every image plugin to look would let some of them (SVG's
    // inflates gzip) work on the bytes.
    const QByteArrayView head = QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), 12));
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return "png";
    if (head.startsWith("\xff\xd8\xff"))
        return "jpeg";
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return "gif";
    if (head.startsWith("BM"))
        return "bmp";
    if (head.startsWith("II*") || head.startsWith("MM\0*"))
        return "tiff";
    if (head.size() == 12 && head.startsWith("RIFF") && head.sliced(8) == "WEBP")
        return "webp";
    return {};
}

QSize size(const QByteArray &bytes) {
    HeavyWork::check("measuring an image");
    const QByteArray kind = format(bytes);
    if (kind.isEmpty())
        return {};
    if (const std::optional<QSize> pixels = headerSize(bytes, kind))
        return *pixels;
    return Reader(bytes, kind).reader.size();
}

QImage decode(const QByteArray &bytes, QString *error, QSize scaledTo) {
    HeavyWork::check("decoding an image");
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QImage();
    };
    const QByteArray kind = format(bytes);
    if (kind.isEmpty())
        return fail(QStringLiteral("not a raster image"));
    // Bounded before any library sees the bytes.
    if (const std::optional<QSize> pixels = headerSize(bytes, kind);
        pixels && !fits(*pixels, error))
        return {};
    if (kind == "png" && !pngChunksFit(bytes))
        return fail(QStringLiteral("a PNG chunk runs past the end"));
    // Nothing here shows text or unknown chunks, and libpng would inflate every compressed text.
    Reader opened(kind == "png" ? withoutBulkyPngChunks(bytes, -1) : bytes, kind);
    QImageReader &reader = opened.reader;
    reader.setAutoTransform(true);
    if (!fits(reader.size(), error))
        return {};
    // Also for readers that cannot tell the size before decoding.
    reader.setAllocationLimit(int(maxPixels * 4 / (1 << 20)) + 1);
    if (scaledTo.isValid())
        reader.setScaledSize(scaledTo);
    const QImage image = reader.read();
    return image.isNull() ? fail(reader.errorString()) : image;
}

} // namespace RasterImage
