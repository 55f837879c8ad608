#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// Decoding images that other programs chose the bytes of. Only raster formats are read, and the
// format is decided by the bytes, never by the type an owner claims: a vector or container
// format (SVG above all) can name local files, which would put their contents in the history.
namespace RasterImage {

// The most pixels decoded, for a copy or a thumbnail: an 8K screen (33 MP), three 4K screens
// side by side (25 MP) and most camera photos fit; at 4 bytes a pixel the decoded image stays
// under 245 MiB. A PNG past it is a decompression bomb more often than a picture.
constexpr qint64 maxPixels = 64'000'000;

// Whether an image of this size may be decoded; the reason in *error when not.
bool fits(QSize pixels, QString *error = nullptr);

// "png", "jpeg", "bmp", "gif", "webp" or "tiff" by the content; empty for anything else.
QByteArray format(const QByteArray &bytes);

// The size in pixels from the header alone (for GIF, from its blocks, read once and not
// decoded); invalid when the bytes are no raster image.
QSize size(const QByteArray &bytes);

// The first frame, EXIF orientation applied, scaled to `scaledTo` when that is valid. A null
// image for anything else, or for more than maxPixels, with the reason in *error. A PNG is
// decoded without its text chunks and its ancillary chunks of unknown kinds.
QImage decode(const QByteArray &bytes, QString *error = nullptr, QSize scaledTo = {});

} // namespace RasterImage
