// Every copied text goes through the link recogniser, the duplicate test's key and, in the
// popup, the row label. All take text of any length and script, in time linear in it (a long
// input that takes long is a finding); the input is read as UTF-8 and, for lone surrogates that
// UTF-8 cannot carry but the pins file can, as UTF-16.

#include "FuzzSupport.h"
#include "history/ContentKey.h"
#include "history/formats/LinkDetector.h"

#include <algorithm>
#include <cstring>

namespace {

void check(const QString &text) {
    (void)containsLink(text);
    ClipboardItem item;
    item.text = text;
    tqfuzz::require(ContentKey(item) == ContentKey(item), "a key differs from itself");
    const QString preview = item.preview();
    tqfuzz::require(text.contains(preview), "the label is not found in the text");
    tqfuzz::require(preview.size() <= ClipboardItem::maxPreviewLength, "the label is unbounded");
    tqfuzz::require(std::none_of(preview.begin(), preview.end(),
                                 [](QChar c) {
                                     const char16_t u = c.unicode();
                                     return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 ||
                                            u == 0x2029;
                                 }),
                    "the label spans lines");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    check(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    QString utf16(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(utf16.data(), data, size / 2 * 2);
    check(utf16);
    return 0;
}
