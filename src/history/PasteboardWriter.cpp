#include "history/PasteboardWriter.h"

#include "history/ClipboardMonitor.h"
#include "history/PasteboardCapture.h"
#include "history/RtfReader.h"

#include <QTextDocument>

namespace {

// Most programs on Linux paste rich text from HTML rather than RTF, so a rich entry offers both.
QByteArray htmlFromRtf(const QByteArray &rtf) {
    const auto document = documentFromRtf(rtf);
    return document ? document->toHtml().toUtf8() : QByteArray();
}

} // namespace

void writeItem(const ClipboardItem &item, ClipboardMonitor &monitor, bool plainText) {
    PasteboardData data;
    if (plainText || item.kind == ClipboardItem::Kind::text) {
        data.string = item.text;
    } else if (item.kind == ClipboardItem::Kind::rich) {
        if (item.rtfData) {
            data.rtf = item.rtfData;
            if (QByteArray html = htmlFromRtf(*item.rtfData); !html.isEmpty())
                data.html = std::move(html);
        }
        data.string = item.text;
    } else if (item.imageData) {
        // Pinned entries come back from a file that may have been edited: check before offering;
        // an image that cannot be offered leaves the clipboard empty rather than as it was.
        data.png = pngData(PasteboardImage{*item.imageData, QByteArrayLiteral("image/png")});
    }
    Pasteboard &pasteboard = monitor.pasteboard();
    // Before the write: the write itself is the change that must not be captured.
    monitor.setSelfCopyUntilChangeCount(pasteboard.changeCount() + 1);
    pasteboard.setContents(data);
}
