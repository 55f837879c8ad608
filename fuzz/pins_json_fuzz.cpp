// The pins file is read at every start and may have been edited or cut short: reading it must
// fail cleanly, and what it yields must write back to a file that reads the same, or the next
// save would lose the pins.

#include "FuzzSupport.h"
#include "history/PinsJson.h"

namespace {

bool sameEntry(const ClipboardItem &a, const ClipboardItem &b) {
    return a.id == b.id && a.kind == b.kind && a.text == b.text && a.rtfData == b.rtfData &&
           a.imageData == b.imageData && a.containsLink == b.containsLink &&
           a.copiedAt == b.copiedAt && a.isPinned == b.isPinned;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::optional<QList<ClipboardItem>> items =
        PinsJson::read(QByteArrayView(data, qsizetype(size)));
    if (!items)
        return 0;
    for (const ClipboardItem &item : *items)
        (void)item.preview();
    const std::optional<QList<ClipboardItem>> again = PinsJson::read(PinsJson::encode(*items));
    tqfuzz::require(again && again->size() == items->size(), "pins written are not read back");
    for (qsizetype i = 0; i < items->size(); ++i)
        tqfuzz::require(sameEntry(items->at(i), again->at(i)), "a pin reads back changed");
    return 0;
}
