#include "history/ItemDetails.h"

#include "history/ClipboardItem.h"
#include "history/PasteboardCapture.h"
#include "history/formats/RasterImage.h"
#include "history/formats/RtfReader.h"
#include "platform/HeavyWork.h"

#include <QTextDocument>

namespace {

// Most programs on Linux paste rich text from HTML rather than RTF, so a rich entry offers both.
QByteArray htmlFromRtf(const QByteArray &rtf) {
    HeavyWork::check("RTF to HTML");
    const auto document = documentFromRtf(rtf);
    return document ? document->toHtml().toUtf8() : QByteArray();
}

PasteboardData pasteData(const ClipboardItem &item) {
    PasteboardData data;
    if (item.kind == ClipboardItem::Kind::image) {
        // Pinned entries come back from a file that may have been edited: checked before offering;
        // an image that cannot be offered leaves the clipboard empty rather than as it was.
        if (item.imageData)
            data.png = pngData(PasteboardImage{*item.imageData, QByteArrayLiteral("image/png")});
        return data;
    }
    data.string = item.text;
    if (item.kind == ClipboardItem::Kind::rich && item.rtfData) {
        data.rtf = item.rtfData;
        if (item.rtfData->size() > CaptureLimits::rtfDocumentBytes)
            return data; // offered as RTF and text: read whole, it would take too much memory
        if (QByteArray html = htmlFromRtf(*item.rtfData); !html.isEmpty())
            data.html = std::move(html);
    }
    return data;
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
