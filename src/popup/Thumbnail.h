#pragma once

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QSize>

// Thumbnails of image entries. A screenshot takes a tenth of a second to decode, so the size
// comes from the PNG header alone and the pixels are decoded away from the user-interface thread.
namespace Thumbnail {

// The most room a thumbnail takes, in points.
constexpr int maxHeight = 26;
constexpr int maxWidth = 160;

// The thumbnail's size in points: the image scaled uniformly to fit maxWidth × maxHeight. Empty
// when the bytes are no image that can be read.
QSize sizeFor(const QByteArray &imageData);

// Decodes and scales to `pixels` on a pool thread. The result is a null image when decoding
// fails.
QFuture<QImage> decode(const QByteArray &imageData, QSize pixels);

} // namespace Thumbnail
