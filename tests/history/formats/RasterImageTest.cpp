#include "history/formats/RasterImage.h"
#include "ImageTestData.h"
#include "support/TestEnvironment.h"

#include <QImageReader>

#include <gtest/gtest.h>

namespace {

using namespace tqtest;

QByteArray encoded(QImage::Format pixels, const char *format, int quality = -1) {
    QImage image(QSize(300, 7), pixels);
    image.fill(qRgba(10, 20, 30, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

// The size read from the header is the one each format's own reader finds, for every kind of
// header; none for bytes that hold no image or stop before the size.
TEST(RasterImageTest, SizeFromTheHeaderAlone) {
    const QByteArray jpeg = testData("images/generated/jpeg-exif-orientation-6.jpg");
    const QByteArray inputs[] = {
        encoded(QImage::Format_RGB32, "PNG"),
        jpeg,
        testData("jfif-16x16.jpg"),
        testData("images/generated/tiff-2-pages.tiff"),
        encoded(QImage::Format_Mono, "TIFF"),
        encoded(QImage::Format_RGB32, "WEBP", 50),  // lossy
        encoded(QImage::Format_RGB32, "WEBP", 100), // lossless
        encoded(QImage::Format_ARGB32, "WEBP", 50), // lossy with alpha: the extended header
        testData("images/debian/gif-animated-2-frames.gif"),
        testData("palette-16x16.bmp"),
        jpeg.first(jpeg.indexOf("\xff\xc0") + 8),
        testData("palette-16x16.png").first(23),
    };
    for (const QByteArray &bytes : inputs) {
        QBuffer buffer;
        buffer.setData(bytes);
        const QSize expected = QImageReader(&buffer).size();
        SCOPED_TRACE(bytes.first(16).toHex().toStdString());
        EXPECT_EQ(RasterImage::size(bytes), expected);
    }
}

// Compressed text chunks that would inflate to gigabytes, in a PNG such as a pin saved long ago
// holds: it is measured and decoded without them.
TEST(RasterImageTest, CompressedTextIsNeverInflated) {
    const QByteArray text = qCompress(QByteArray(7'900'000, 'a'), 9).sliced(4);
    const QByteArray bomb = pngChunk("zTXt", QByteArray("k\0\0", 3) + text).repeated(100);
    const QByteArray png = withChunks(imageOf(qRgb(1, 2, 3)), bomb, bomb);
    EXPECT_EQ(RasterImage::size(png), QSize(4, 3));
    const QImage image = RasterImage::decode(png);
    EXPECT_EQ(image.pixel(3, 2), qRgb(1, 2, 3));
    EXPECT_TRUE(image.textKeys().isEmpty());
}

} // namespace
