#include "history/PasteboardCapture.h"

#include "history/HtmlDecoding.h"
#include "history/HtmlElementNames.h"
#include "history/LinkDetector.h"
#include "history/PngFile.h"
#include "history/RtfReader.h"
#include "history/RtfWriter.h"
#include "platform/SystemLog.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <QUuid>

namespace {

const QString kImageText = QStringLiteral("Image");

// A captured entry: a fresh id, unpinned, no bytes and no link yet.
ClipboardItem newEntry(ClipboardItem::Kind kind, const QString &text, double copiedAt) {
    ClipboardItem item;
    item.id = QUuid::createUuid();
    item.kind = kind;
    item.text = text;
    item.copiedAt = copiedAt;
    return item;
}

// "{\rtf" after optional white space: what every RTF document begins with.
bool looksLikeRtf(const QByteArray &bytes) {
    qsizetype i = 0;
    while (i < bytes.size() &&
           (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return QByteArrayView(bytes).sliced(i).startsWith("{\\rtf");
}

// A javascript: target runs code in the page it came from; it leads nowhere once copied.
bool isNavigableHref(const QString &href) {
    const QString target = href.trimmed();
    return !target.isEmpty() &&
           !target.startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive);
}

bool documentHasLink(const QTextDocument &document) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isAnchor() && isNavigableHref(format.anchorHref()))
                return true;
        }
    }
    return false;
}

// The rich form of a copy. When it was made from HTML, the links were looked for in the HTML
// document on the way: its anchors are exactly the RTF's links, and reading the RTF back only
// to find them again would cost as much as writing it.
struct RichForm {
    QByteArray rtf;
    std::optional<bool> hasLink; // known when made from HTML
};

std::optional<RichForm> richFormFromHtml(const QByteArray &html) {
    const QString decoded = decodeHtml(html);
    if (decoded.trimmed().isEmpty())
        return std::nullopt;
    QTextDocument document;
    document.setUndoRedoEnabled(false);
    document.setHtml(withoutElementNames(decoded));
    if (document.isEmpty())
        return std::nullopt;
    QByteArray rtf = rtfFromDocument(document);
    if (rtf.isEmpty())
        return std::nullopt;
    return RichForm{std::move(rtf), documentHasLink(document)};
}

std::optional<RichForm> readRichForm(Pasteboard &pasteboard) {
    if (std::optional<QByteArray> rtf = pasteboard.rtfData(); rtf && looksLikeRtf(*rtf))
        return RichForm{std::move(*rtf), std::nullopt};
    if (const std::optional<QByteArray> html = pasteboard.htmlData())
        return richFormFromHtml(*html);
    return std::nullopt;
}

// The offered type and size, for a log line: never any of the content. The type is a name the
// owner chose, so only a short printable form of it goes into the log.
QString describe(const PasteboardImage &image) {
    QString type;
    for (const char c : image.mimeType.left(64))
        type += c >= ' ' && c <= '~' ? QLatin1Char(c) : QLatin1Char('?');
    return QStringLiteral("%1, %2 bytes")
        .arg(type.isEmpty() ? QStringLiteral("no type") : type)
        .arg(image.data.size());
}

std::optional<QByteArray> encodePng(const PasteboardImage &image, QString *error) {
    QBuffer input;
    input.setData(image.data);
    input.open(QIODevice::ReadOnly);
    // The content decides the format: the type an owner claims is not always what it sends.
    QImageReader reader(&input);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QImage decoded = reader.read();
    if (decoded.isNull()) {
        *error = reader.errorString();
        return std::nullopt;
    }
    QByteArray png;
    QBuffer output(&png);
    output.open(QIODevice::WriteOnly);
    QImageWriter writer(&output, "png");
    if (!writer.write(decoded)) {
        *error = writer.errorString();
        return std::nullopt;
    }
    return png;
}

} // namespace

std::optional<ClipboardItem> captureItem(Pasteboard &pasteboard, double copiedAt) {
    if (pasteboard.isConcealed())
        return std::nullopt;
    const std::optional<QString> text = pasteboard.string();
    if (text && !trimmedWhitespaceAndNewlines(*text).isEmpty())
        return makeTextItem(*text, pasteboard, copiedAt);
    return makeImageItem(pasteboard, copiedAt);
}

ClipboardItem makeTextItem(const QString &text, Pasteboard &pasteboard, double copiedAt) {
    std::optional<RichForm> rich = readRichForm(pasteboard);
    std::optional<QByteArray> rtf;
    if (rich)
        rtf = std::move(rich->rtf);
    const bool link =
        rich && rich->hasLink ? *rich->hasLink || containsLink(text) : detectLink(text, rtf);
    ClipboardItem item =
        newEntry(rtf ? ClipboardItem::Kind::rich : ClipboardItem::Kind::text, text, copiedAt);
    item.rtfData = std::move(rtf);
    item.containsLink = link;
    return item;
}

std::optional<QByteArray> richTextData(Pasteboard &pasteboard) {
    if (std::optional<RichForm> rich = readRichForm(pasteboard))
        return std::move(rich->rtf);
    return std::nullopt;
}

bool detectLink(const QString &text, const std::optional<QByteArray> &rtfData) {
    if (rtfData) {
        if (const auto document = documentFromRtf(*rtfData); document && documentHasLink(*document))
            return true;
    }
    return containsLink(text);
}

std::optional<ClipboardItem> makeImageItem(Pasteboard &pasteboard, double copiedAt) {
    const std::optional<PasteboardImage> image = pasteboard.image();
    if (!image)
        return std::nullopt;
    QString error;
    std::optional<QByteArray> png = pngData(*image, &error);
    if (!png) {
        SystemLog::write(QStringLiteral("Tallowquill: failed to read image: %1 (%2)")
                             .arg(error, describe(*image)));
        return std::nullopt;
    }
    ClipboardItem item = newEntry(ClipboardItem::Kind::image, kImageText, copiedAt);
    item.imageData = std::move(png);
    return item;
}

std::optional<QByteArray> pngData(const PasteboardImage &image, QString *error) {
    if (isWellFormedPng(image.data))
        return image.data;
    QString description;
    std::optional<QByteArray> png = encodePng(image, &description);
    if (error)
        *error = description;
    return png;
}
