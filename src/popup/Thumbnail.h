#pragma once

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QSize>

// Thumbnails of image entries. A screenshot takes a tenth of a second to decode, so the size
// comes from the image's header alone, read on the capture worker, and the pixels are decoded away
// from the user-interface thread.
namespace Thumbnail {

// The most room a thumbnail takes, in points.
constexpr int maxHeight = 26;
constexpr int maxWidth = 160;

// The thumbnail's size in points for an image of `pixels` (ItemDetails::imagePixels): scaled
// uniformly to fit maxWidth × maxHeight. Empty for an image that cannot be read.
QSize sizeFor(QSize pixels);

// Decodes and scales to `pixels` on a pool thread. The result is a null image when decoding
// fails.
QFuture<QImage> decode(const QByteArray &imageData, QSize pixels);

} // namespace Thumbnail
