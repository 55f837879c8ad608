#pragma once

#include <QByteArray>
#include <QSize>

// The size in pixels a JPEG, WebP or TIFF file states in its header, read without the format's
// library: those read more than the header to answer (every comment, EXIF and ICC segment of a
// JPEG; the whole first directory of a TIFF; the whole of an animated WebP, and its canvas).
// Each looks at the bytes once at most and allocates nothing; invalid when there is no size.
// The size is as stored, before any EXIF orientation.
namespace ImageHeader {

// From the first start-of-frame segment.
QSize jpegSize(const QByteArray &bytes);

// From the first chunk: a lossy or lossless bitstream's frame, or the extended header's canvas.
QSize webpSize(const QByteArray &bytes);

// From the image width and length fields of the first directory.
QSize tiffSize(const QByteArray &bytes);

} // namespace ImageHeader
