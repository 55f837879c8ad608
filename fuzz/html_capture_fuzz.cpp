// Copied HTML is any web page's or program's: the capture converts it to RTF through a text
// document and must neither crash nor hang on it, and the RTF made must read back, since pasting
// the entry offers it as it is.

#include "FuzzSupport.h"
#include "history/formats/RtfReader.h"

#include <QTextDocument>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    tqtest::FakePasteboard::Contents offered;
    offered.string = QStringLiteral("x");
    offered.html = tqfuzz::bytes(data, size);
    const std::optional<ClipboardItem> item = tqfuzz::capture(std::move(offered));
    tqfuzz::require(item.has_value(), "text with HTML made no entry");
    if (item->rtfData)
        tqfuzz::require(documentFromRtf(*item->rtfData) != nullptr, "RTF made is not read back");
    return 0;
}
