#include "history/formats/RtfDocumentBuilder.h"

#include "history/formats/CodePageDecoderCache.h"
#include "history/formats/InertTextDocument.h"
#include "history/formats/RtfColorTable.h"
#include "history/formats/RtfFieldList.h"
#include "history/formats/RtfFontTable.h"

#include <QTextBlockFormat>

namespace {

constexpr double kTwipsPerPixel = 15.0; // 1440 twips per inch at 96 pixels per inch

// A lone surrogate cannot be shown or written out as UTF-8 HTML.
void repairSurrogates(QString &text) {
    const qsizetype size = text.size();
    QChar *chars = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        if (chars[i].isHighSurrogate() && i + 1 < size && chars[i + 1].isLowSurrogate())
            ++i;
        else if (chars[i].isSurrogate())
            chars[i] = QChar::ReplacementCharacter;
    }
}

bool isAscii(QByteArrayView bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

RtfDocumentBuilder::RtfDocumentBuilder(const RtfFontTable &fonts, const RtfColorTable &colors,
                                       const RtfFieldList &fields, CodePageDecoderCache &decoders)
    : m_fonts(fonts)
    , m_colors(colors)
    , m_fields(fields)
    , m_decoders(decoders)
    , m_document(std::make_unique<InertTextDocument>()) {
    m_document->setUndoRedoEnabled(false);
    m_cursor = QTextCursor(m_document.get());
    // One edit block: the cursor then skips laying out each line just to track its position.
    m_cursor.beginEditBlock();
}

RtfDocumentBuilder::~RtfDocumentBuilder() = default;

void RtfDocumentBuilder::appendText(const RtfRunKey &key, QStringView text) {
    setRunKey(key);
    decodePending();
    m_run += text;
}

void RtfDocumentBuilder::appendBytes(const RtfRunKey &key, QByteArrayView bytes, int codePage) {
    setRunKey(key);
    if (codePage != m_pendingCodePage)
        decodePending();
    m_pendingCodePage = codePage;
    // Literal line breaks are not text in RTF; other control bytes (a trailing NUL) are noise.
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t')
            m_pendingBytes += c;
    }
}

void RtfDocumentBuilder::breakParagraph(const RtfParagraphState &paragraph) {
    flushRun();
    m_cursor.setBlockFormat(blockFormat(paragraph));
    m_cursor.insertBlock();
}

std::unique_ptr<QTextDocument> RtfDocumentBuilder::finish(const RtfParagraphState &lastParagraph) {
    flushRun();
    m_cursor.setBlockFormat(blockFormat(lastParagraph));
    m_cursor.endEditBlock();
    return std::move(m_document);
}

void RtfDocumentBuilder::setRunKey(const RtfRunKey &key) {
    if (key == m_runKey)
        return;
    flushRun();
    m_runKey = key;
}

void RtfDocumentBuilder::decodePending() {
    if (m_pendingBytes.isEmpty())
        return;
    if (isAscii(m_pendingBytes))
        m_run += QLatin1StringView(m_pendingBytes);
    else
        m_run += m_decoders.forCodePage(m_pendingCodePage).decode(m_pendingBytes);
    m_pendingBytes.clear();
}

void RtfDocumentBuilder::flushRun() {
    decodePending();
    if (m_run.isEmpty())
        return;
    repairSurrogates(m_run);
    m_cursor.insertText(m_run, charFormat(m_runKey));
    m_run.clear();
}

QTextCharFormat RtfDocumentBuilder::charFormat(const RtfRunKey &key) const {
    const RtfCharState &chr = key.chr;
    QTextCharFormat format;
    if (chr.bold || (chr.associated && chr.associatedBold))
        format.setFontWeight(QFont::Bold);
    if (chr.italic || (chr.associated && chr.associatedItalic))
        format.setFontItalic(true);
    if (chr.underline)
        format.setFontUnderline(true);
    if (chr.strike)
        format.setFontStrikeOut(true);
    const int size =
        chr.associated && chr.associatedFontSize > 0 ? chr.associatedFontSize : chr.fontSize;
    format.setFontPointSize(size / 2.0);
    if (const QString family = m_fonts.name(chr.font); !family.isEmpty())
        format.setFontFamilies(QStringList{family});
    if (const QColor color = m_colors.at(chr.color); color.isValid())
        format.setForeground(color);
    // \cb0 and \highlight0 mean no background, whatever the table's first entry is.
    if (const QColor background = m_colors.at(chr.background);
        chr.background > 0 && background.isValid())
        format.setBackground(background);
    if (chr.vertical != QTextCharFormat::AlignNormal)
        format.setVerticalAlignment(chr.vertical);
    if (key.link >= 0) {
        format.setAnchor(true);
        format.setAnchorHref(m_fields.target(key.link));
    }
    return format;
}

QTextBlockFormat RtfDocumentBuilder::blockFormat(const RtfParagraphState &paragraph) {
    QTextBlockFormat format;
    format.setAlignment(paragraph.alignment);
    if (paragraph.rightToLeft)
        format.setLayoutDirection(Qt::RightToLeft);
    if (paragraph.leftIndent != 0)
        format.setLeftMargin(paragraph.leftIndent / kTwipsPerPixel);
    if (paragraph.rightIndent != 0)
        format.setRightMargin(paragraph.rightIndent / kTwipsPerPixel);
    if (paragraph.firstIndent != 0)
        format.setTextIndent(paragraph.firstIndent / kTwipsPerPixel);
    return format;
}
