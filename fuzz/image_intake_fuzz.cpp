// An image on the clipboard is bytes of the owner's choosing under a type of its choosing. The
// first byte of an input picks the type claimed, the rest are the bytes. Capture keeps a PNG;
// the popup later reads its size and decodes a thumbnail of it.

#include "FuzzSupport.h"
#include "history/formats/RasterImage.h"

namespace {

const char *const kClaimedTypes[] = {"image/png",  "image/jpeg", "image/bmp",  "image/svg+xml",
                                     "image/tiff", "image/gif",  "image/webp", ""};

// As the popup does for a row: the size from the header, then a small decode.
void thumbnail(const QByteArray &bytes) {
    const QSize full = RasterImage::size(bytes);
    if (full.isValid() && !full.isEmpty() && RasterImage::fits(full))
        (void)RasterImage::decode(
            bytes, nullptr, full.scaled(QSize(48, 48), Qt::KeepAspectRatio).expandedTo({1, 1}));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    tqtest::FakePasteboard::Contents offered;
    offered.string = QStringLiteral(" ");
    offered.image = PasteboardImage{tqfuzz::bytes(data + 1, size - 1),
                                    kClaimedTypes[data[0] % std::size(kClaimedTypes)]};
    const QByteArray bytes = offered.image->data;
    const std::optional<ClipboardItem> item = tqfuzz::capture(std::move(offered));
    if (item) {
        tqfuzz::require(item->imageData && RasterImage::format(*item->imageData) == "png",
                        "an image entry holds no PNG");
        thumbnail(*item->imageData);
    }
    thumbnail(bytes);
    return 0;
}
