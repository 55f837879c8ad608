#include "history/PasteboardCapture.h"

#include "history/formats/HtmlDecoding.h"
#include "history/formats/HtmlElementNames.h"
#include "history/formats/HtmlShape.h"
#include "history/formats/InertTextDocument.h"
#include "history/formats/LinkDetector.h"
#include "history/formats/PasteData.h"
#include "history/formats/RasterImage.h"
#include "history/formats/RtfReader.h"
#include "history/formats/RtfWriter.h"
#include "platform/HeavyWork.h"
#include "platform/LogQuote.h"
#include "platform/SystemLog.h"

#include <QTextBlock>
#include <QUuid>

namespace {

const QString kImageText = QStringLiteral("Image");

// "{\rtf" after optional white space: what every RTF document begins with.
bool looksLikeRtf(const QByteArray &bytes) {
    qsizetype i = 0;
    while (i < bytes.size() &&
           (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return QByteArrayView(bytes).sliced(i).startsWith("{\\rtf");
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

// One line for a flavour refused for its size: what it was, how big, and what became of the copy.
void logOversize(const QByteArray &type, qint64 size, qsizetype limit, const char *outcome) {
    SystemLog::write(QStringLiteral("Tallowquill: clipboard %1 of %2 bytes is over the %3 MiB "
                                    "limit; %4")
                         .arg(logQuoted(QString::fromLatin1(type)))
                         .arg(size)
                         .arg(limit >> 20)
                         .arg(QLatin1String(outcome)));
}

// The first measure of the HTML's shape over its bound, as the middle of a log line; empty when
// all are within theirs.
QString overLimit(const HtmlShape &shape) {
    using namespace CaptureLimits;
    if (shape.encodedNames)
        return QStringLiteral("spells a tag name with an entity, which is not measured");
    const struct {
        qsizetype value;
        qsizetype limit;
        const char *what;
    } measures[] = {
        {shape.depth, htmlDepth, "nests %1 deep"},
        {shape.elements, htmlElements, "has %1 elements and paragraph breaks"},
        {shape.unmatchedEndTags, htmlUnmatchedEndTags, "has %1 unmatched end tags"},
        {shape.listLength, htmlListLength, "has lists as long as one of %1 paragraphs"},
        {shape.tableCells, htmlTableCells, "has tables of %1 cells"},
        {shape.formattingText, htmlFormattingText,
         "carries %1 characters of link targets and titles"},
        {shape.distinctNames, htmlNames, "names %1 distinct anchors or fonts"},
    };
    for (const auto &measure : measures) {
        if (measure.value > measure.limit)
            return QString::fromLatin1(measure.what).arg(measure.value) +
                   QStringLiteral(", over the limit of %1").arg(measure.limit);
    }
    return {};
}

std::optional<RichForm> richFormFromHtml(const QByteArray &html) {
    HeavyWork::check("parsing HTML");
    const QString decoded = decodeHtml(html);
    if (decoded.trimmed().isEmpty())
        return std::nullopt;
    const QString named = withoutElementNames(decoded);
    const HtmlShape shape = measureHtml(named);
    if (const QString over = overLimit(shape); !over.isEmpty()) {
        SystemLog::write(
            QStringLiteral("Tallowquill: clipboard %1 of %2 bytes %3; recorded as plain text")
                .arg(logQuoted(u"text/html"))
                .arg(html.size())
                .arg(over));
        return std::nullopt;
    }
    InertTextDocument document;
    document.setUndoRedoEnabled(false);
    document.setHtml(withCutsMade(named, shape));
    if (document.isEmpty())
        return std::nullopt;
    QByteArray rtf = rtfFromDocument(document);
    if (rtf.isEmpty())
        return std::nullopt;
    return RichForm{std::move(rtf), documentHasLink(document)};
}

std::optional<RichForm> readRichForm(PasteboardContents &contents) {
    Flavour<QByteArray> rtf = contents.rtfData(CaptureLimits::rtfBytes);
    if (rtf.oversize) {
        logOversize("text/rtf", rtf.oversize, CaptureLimits::rtfBytes, "recorded as plain text");
        return std::nullopt;
    }
    if (rtf.value && looksLikeRtf(*rtf.value))
        return RichForm{std::move(*rtf.value), std::nullopt};
    const Flavour<QByteArray> html = contents.htmlData(CaptureLimits::htmlBytes);
    if (html.oversize) {
        logOversize("text/html", html.oversize, CaptureLimits::htmlBytes, "recorded as plain text");
        return std::nullopt;
    }
    return html.value ? richFormFromHtml(*html.value) : std::nullopt;
}

} // namespace

std::optional<ClipboardItem> captureItem(PasteboardContents &contents, double copiedAt) {
    if (contents.isConcealed())
        return std::nullopt;
    const Flavour<QString> text = contents.string(CaptureLimits::textBytes);
    if (text.oversize) {
        // Whatever else is offered belongs to this text: recording it alone would mislead.
        logOversize("text", text.oversize, CaptureLimits::textBytes, "not recorded");
        return std::nullopt;
    }
    if (text.value && !trimmedWhitespaceAndNewlines(*text.value).isEmpty())
        return makeTextItem(*text.value, contents, copiedAt);
    return makeImageItem(contents, copiedAt);
}

ClipboardItem makeTextItem(const QString &text, PasteboardContents &contents, double copiedAt) {
    std::optional<RichForm> rich = readRichForm(contents);
    std::optional<QByteArray> rtf;
    if (rich)
        rtf = std::move(rich->rtf);
    const bool link =
        rich && rich->hasLink ? *rich->hasLink || containsLink(text) : detectLink(text, rtf);
    ClipboardItem item = ClipboardItem::make(
        rtf ? ClipboardItem::Kind::rich : ClipboardItem::Kind::text, text, copiedAt);
    item.rtfData = std::move(rtf);
    item.containsLink = link;
    return item;
}

std::optional<QByteArray> richTextData(PasteboardContents &contents) {
    if (std::optional<RichForm> rich = readRichForm(contents))
        return std::move(rich->rtf);
    return std::nullopt;
}

bool detectLink(const QString &text, const std::optional<QByteArray> &rtfData) {
    if (rtfData && rtfData->size() <= CaptureLimits::rtfDocumentBytes) {
        if (const auto document = documentFromRtf(*rtfData); document && documentHasLink(*document))
            return true;
    }
    return containsLink(text);
}

std::optional<ClipboardItem> makeImageItem(PasteboardContents &contents, double copiedAt) {
    const Flavour<PasteboardImage> offered = contents.image(CaptureLimits::imageBytes);
    if (offered.oversize)
        logOversize("image", offered.oversize, CaptureLimits::imageBytes, "not recorded");
    const std::optional<PasteboardImage> &image = offered.value;
    if (!image)
        return std::nullopt;
    QString error;
    // Bounded by the header before anything is decoded; a PNG is kept undecoded, and decoded
    // later for the popup's thumbnail.
    std::optional<QByteArray> png;
    if (RasterImage::fits(RasterImage::size(image->data), &error))
        png = pngData(*image, &error);
    if (!png) {
        SystemLog::write(QStringLiteral("Tallowquill: failed to read image: %1 (%2)")
                             .arg(error, describeImage(*image)));
        return std::nullopt;
    }
    ClipboardItem item = ClipboardItem::make(ClipboardItem::Kind::image, kImageText, copiedAt);
    item.imageData = std::move(png);
    return item;
}
