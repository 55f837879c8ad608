#include "history/ItemDetails.h"

#include "history/ClipboardItem.h"
#include "history/formats/PasteData.h"
#include "history/formats/RasterImage.h"

namespace {

PasteboardData pasteData(const ClipboardItem &item) {
    if (item.kind == ClipboardItem::Kind::image)
        return imagePasteData(item.imageData);
    return textPasteData(item.text,
                         item.kind == ClipboardItem::Kind::rich ? item.rtfData : std::nullopt);
}

} // namespace

std::shared_ptr<const ItemDetails> ItemDetails::of(const ClipboardItem &item) {
    auto details = std::make_shared<ItemDetails>(
        ItemDetails{ContentKey(item), item.preview(), {}, pasteData(item), 0});
    if (item.kind == ClipboardItem::Kind::image && item.imageData)
        details->imagePixels = RasterImage::size(*item.imageData);
    const auto ownBytes = [](const std::optional<QByteArray> &bytes,
                             const std::optional<QByteArray> &entrys) -> qint64 {
        return bytes && !(entrys && bytes->constData() == entrys->constData()) ? bytes->size() : 0;
    };
    details->bytes = details->key.ownBytes() + details->preview.size() * qint64(sizeof(QChar)) +
                     ownBytes(details->paste.html, std::nullopt) +
                     ownBytes(details->paste.png, item.imageData);
    return details;
}

const ItemDetails &detailsOf(const ClipboardItem &item) {
    if (!item.details)
        item.details = ItemDetails::of(item);
    return *item.details;
}

qint64 memoryOf(const ClipboardItem &item) {
    return item.text.size() * qint64(sizeof(QChar)) + (item.rtfData ? item.rtfData->size() : 0) +
           (item.imageData ? item.imageData->size() : 0) + (item.details ? item.details->bytes : 0);
}
