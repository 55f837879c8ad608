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
    Pasteboard &pasteboard = monitor.pasteboard();
    // Before the clear: the clear itself is the change that must not be captured.
    monitor.setSelfCopyUntilChangeCount(pasteboard.changeCount() + 1);
    pasteboard.clearContents();

    if (plainText || item.kind == ClipboardItem::Kind::text) {
        pasteboard.setString(item.text);
        return;
    }
    if (item.kind == ClipboardItem::Kind::rich) {
        if (item.rtfData) {
            pasteboard.setRtfData(*item.rtfData);
            if (const QByteArray html = htmlFromRtf(*item.rtfData); !html.isEmpty())
                pasteboard.setHtmlData(html);
        }
        pasteboard.setString(item.text);
        return;
    }
    if (!item.imageData)
        return;
    // Pinned entries come back from a file that may have been edited: check before offering.
    if (const auto png = pngData(PasteboardImage{*item.imageData, QByteArrayLiteral("image/png")}))
        pasteboard.writeImage(*png);
}
