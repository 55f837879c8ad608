#include "history/formats/RtfWriter.h"

#include "history/formats/LinkDetector.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextList>

#include <charconv>

namespace {

constexpr int kDefaultHalfPoints = 24; // what RTF readers assume for text without \fs
constexpr double kTwipsPerPixel = 15.0;
// A link's target is written again in every paragraph the link reaches, so a long one on every
// paragraph would make the RTF that many times the page. Past this much, links keep only text.
constexpr qsizetype kMaxLinkTargets = qsizetype(1) << 20;
// A list's number prefix and suffix are a page's to set (a style attribute) and written with
// every item; past this length the item shows its number alone.
constexpr qsizetype kMaxListNumberAffixes = 16;

void appendNumber(QByteArray &out, int value) {
    char digits[12];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr - digits);
}

void appendWord(QByteArray &out, const char *word, int value) {
    out += word;
    appendNumber(out, value);
}

char *writeLiteral(char *out, const char *literal) {
    while (*literal)
        *out++ = *literal++;
    return out;
}

// A UTF-16 unit as \uN with N a signed 16-bit number, as RTF wants it; the '?' is what readers
// without Unicode show and skip otherwise (\uc1). Astral characters become two of them.
char *writeUnicode(char *out, char16_t unit) {
    out = writeLiteral(out, "\\u");
    out = std::to_chars(out, out + 6, unit > 0x7FFF ? int(unit) - 0x10000 : int(unit)).ptr;
    *out++ = '?';
    return out;
}

// Escapes text into RTF. Written through a pointer into room reserved for the worst case (a
// negative \uN? is nine bytes): appending character by character costs more than the rest of
// the conversion.
void appendText(QByteArray &out, QStringView text) {
    constexpr qsizetype worstCase = 9;
    const qsizetype oldSize = out.size();
    out.resize(oldSize + text.size() * worstCase);
    char *const begin = out.data() + oldSize;
    char *p = begin;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u >= 0x20 && u < 0x80 && u != u'\\' && u != u'{' && u != u'}') {
            *p++ = char(u);
            continue;
        }
        switch (u) {
        case u'\\':
        case u'{':
        case u'}':
            *p++ = '\\';
            *p++ = char(u);
            break;
        case u'\t':
            p = writeLiteral(p, "\\tab ");
            break;
        case u'\n':
        case u'\r':
        case 0x2028: // line break inside a paragraph (<br>)
        case 0x2029:
            p = writeLiteral(p, "\\line ");
            break;
        case 0x00A0:
            p = writeLiteral(p, "\\~");
            break;
        case 0x00AD:
            p = writeLiteral(p, "\\-");
            break;
        case 0x2011:
            p = writeLiteral(p, "\\_");
            break;
        case QChar::ObjectReplacementCharacter: // an image: not kept
            break;
        default:
            if (u >= 0x80)
                p = writeUnicode(p, u);
            break; // other control characters are dropped
        }
    }
    out.resize(oldSize + (p - begin));
}

// Inside the quotes of a field instruction a quote or backslash would end or escape the
// argument, so those two are percent-encoded like any URL would have them.
void appendFieldArgument(QByteArray &out, QStringView url) {
    for (const QChar ch : url) {
        const char16_t u = ch.unicode();
        if (u == u'"')
            out += "%22";
        else if (u == u'\\')
            out += "%5C";
        else if (u < 0x20)
            continue;
        else if (u == u'{' || u == u'}') {
            out += '\\';
            out += char(u);
        } else if (u < 0x80)
            out += char(u);
        else
            appendText(out, QStringView(&ch, 1));
    }
}

// Half-points of the format's size, or 0 when it leaves the size to the reader.
int halfPoints(const QTextCharFormat &format) {
    double points = 0;
    if (format.hasProperty(QTextFormat::FontPointSize))
        points = format.fontPointSize();
    else if (format.hasProperty(QTextFormat::FontPixelSize))
        points = format.intProperty(QTextFormat::FontPixelSize) * 0.75;
    else if (format.hasProperty(QTextFormat::FontSizeAdjustment)) {
        // The HTML reader's relative sizes (<h1>, "small"), scaled as Qt lays them out.
        static constexpr double scale[] = {0.7, 0.8, 1.0, 1.2, 1.5, 2.0, 2.4};
        const int step = qBound(0, format.intProperty(QTextFormat::FontSizeAdjustment) + 2, 6);
        points = scale[step] * kDefaultHalfPoints / 2.0;
    }
    return points > 0 ? qRound(qBound(1.0, points * 2, 3276.0)) : 0;
}

// Twips of a length in pixels. A page's style may give any length, far past what an int holds;
// many RTF readers take no more than 16 bits.
int twips(qreal pixels) {
    return qRound(qBound(-32767.0, pixels * kTwipsPerPixel, 32767.0));
}

// The marker of a list item: its number for numbered lists, else the bullet of its style.
QString listMarker(const QTextBlock &block, const QTextList *list) {
    switch (list->format().style()) {
    case QTextListFormat::ListCircle:
        return QStringLiteral("\u25E6");
    case QTextListFormat::ListSquare:
        return QStringLiteral("\u25AA");
    case QTextListFormat::ListDecimal:
    case QTextListFormat::ListLowerAlpha:
    case QTextListFormat::ListUpperAlpha:
    case QTextListFormat::ListLowerRoman:
    case QTextListFormat::ListUpperRoman:
        if (list->format().numberPrefix().size() + list->format().numberSuffix().size() >
            kMaxListNumberAffixes)
            return QString::number(list->itemNumber(block) + 1) + u'.';
        return list->itemText(block);
    default:
        return QStringLiteral("\u2022");
    }
}

// The RTF font family of a name, so that a reader without the font picks a similar one; the
// generic CSS names are what HTML most often gives.
const char *fontFamilyKind(const QString &family) {
    const QString name = family.toLower();
    if (name == u"monospace" || name.contains(u"mono") || name.contains(u"courier"))
        return "\\fmodern";
    if (name == u"sans-serif" || name.contains(u"sans") || name == u"arial" || name == u"helvetica")
        return "\\fswiss";
    if (name == u"serif" || name.contains(u"times") || name.contains(u"serif"))
        return "\\froman";
    return "\\fnil";
}

class RtfWriter {
public:
    explicit RtfWriter(const QTextDocument &document)
        : m_document(document) {}

    QByteArray write();

private:
    // What a character format becomes: its control words and the link it belongs to.
    struct Run {
        QByteArray words;
        QString href;
        bool image = false;
    };

    struct Paragraph {
        QByteArray words;
        bool inList = false;
    };

    void writeBlock(const QTextBlock &block);
    Paragraph translate(const QTextBlock &block);
    void writeListMarker(const QTextBlock &block, const QTextList *list);
    void writeFragment(const QTextFragment &fragment);
    Run translate(const QTextCharFormat &format);
    void openLink(const QString &href);
    void closeLink();
    int fontIndex(const QString &family);
    int colorIndex(const QColor &color);

    const QTextDocument &m_document;
    QByteArray m_body;
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<QRgb> m_colors;
    QHash<QRgb, int> m_colorIndex;
    QString m_openHref;
    qsizetype m_linkTargets = 0; // characters of link targets written
    QHash<int, Run> m_formats;
    QHash<int, Paragraph> m_paragraphs;
};

QByteArray RtfWriter::write() {
    QString defaultFamily = m_document.defaultFont().family();
    if (defaultFamily.isEmpty())
        defaultFamily = QStringLiteral("Helvetica");
    fontIndex(defaultFamily);

    m_body.reserve(m_document.characterCount() * 2 + 256);
    const QTextBlock first = m_document.begin();
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        if (block != first)
            m_body += "\\par\n";
        writeBlock(block);
    }

    QByteArray out;
    out.reserve(m_body.size() + 64 * (m_fonts.size() + m_colors.size()) + 128);
    out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    for (int i = 0; i < m_fonts.size(); ++i) {
        appendWord(out, "{\\f", i);
        out += fontFamilyKind(m_fonts[i]);
        out += "\\fcharset0 ";
        appendText(out, m_fonts[i]);
        out += ";}";
    }
    out += "}\n{\\colortbl;";
    for (const QRgb rgb : std::as_const(m_colors)) {
        appendWord(out, "\\red", qRed(rgb));
        appendWord(out, "\\green", qGreen(rgb));
        appendWord(out, "\\blue", qBlue(rgb));
        out += ';';
    }
    out += "}\n";
    out += m_body;
    out += "}\n";
    return out;
}

void RtfWriter::writeBlock(const QTextBlock &block) {
    const int formatIndex = block.blockFormatIndex();
    auto cached = m_paragraphs.constFind(formatIndex);
    if (cached == m_paragraphs.constEnd())
        cached = m_paragraphs.insert(formatIndex, translate(block));
    m_body += cached->words;
    if (cached->inList)
        writeListMarker(block, block.textList());
    for (auto it = block.begin(); !it.atEnd(); ++it)
        writeFragment(it.fragment());
    closeLink();
}

// Blocks of one format (and so of one list) share their paragraph words.
RtfWriter::Paragraph RtfWriter::translate(const QTextBlock &block) {
    const QTextBlockFormat format = block.blockFormat();
    Paragraph paragraph;
    QByteArray &words = paragraph.words;
    words += "\\pard";
    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        words += "\\qc";
    else if (alignment & Qt::AlignJustify)
        words += "\\qj";
    else if (alignment & Qt::AlignRight)
        words += "\\qr";
    if (format.layoutDirection() == Qt::RightToLeft)
        words += "\\rtlpar";

    const QTextList *list = block.textList();
    paragraph.inList = list != nullptr;
    int left = twips(format.leftMargin());
    int first = twips(format.textIndent());
    if (list) {
        // Lists nest a few levels deep; the indent property is a page's to set.
        left += 360 * qBound(1, list->format().indent(), 32);
        first -= 360;
    }
    if (left != 0)
        appendWord(words, "\\li", left);
    if (first != 0)
        appendWord(words, "\\fi", first);
    if (const int right = twips(format.rightMargin()); right != 0)
        appendWord(words, "\\ri", right);
    words += ' ';
    return paragraph;
}

// Written as \listtext: the marker readers show when they do not build lists themselves.
void RtfWriter::writeListMarker(const QTextBlock &block, const QTextList *list) {
    m_body += "{\\listtext ";
    appendText(m_body, listMarker(block, list));
    m_body += "\\tab}";
}

void RtfWriter::writeFragment(const QTextFragment &fragment) {
    // Documents reuse a few formats for thousands of fragments: translate each format once.
    const int formatIndex = fragment.charFormatIndex();
    auto cached = m_formats.constFind(formatIndex);
    if (cached == m_formats.constEnd())
        cached = m_formats.insert(formatIndex, translate(fragment.charFormat()));
    if (cached->image)
        return;
    openLink(cached->href);
    m_body += '{';
    m_body += cached->words;
    appendText(m_body, fragment.text());
    m_body += '}';
}

RtfWriter::Run RtfWriter::translate(const QTextCharFormat &format) {
    Run run;
    run.image = format.isImageFormat();
    // Not isAnchor(): the HTML reader clears it after the first character of an anchor that
    // also carries a name, while the href stays on every character.
    if (isNavigableHref(format.anchorHref()))
        run.href = format.anchorHref();
    QByteArray &words = run.words;
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        appendWord(words, "\\f", fontIndex(families.first()));
    if (format.fontWeight() >= QFont::DemiBold)
        words += "\\b";
    if (format.fontItalic())
        words += "\\i";
    if (format.fontUnderline() || format.underlineStyle() != QTextCharFormat::NoUnderline)
        words += "\\ul";
    if (format.fontStrikeOut())
        words += "\\strike";
    if (const int size = halfPoints(format))
        appendWord(words, "\\fs", size);
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush)
        appendWord(words, "\\cf", colorIndex(format.foreground().color()));
    if (format.hasProperty(QTextFormat::BackgroundBrush) &&
        format.background().style() != Qt::NoBrush)
        appendWord(words, "\\highlight", colorIndex(format.background().color()));
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        words += "\\super";
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        words += "\\sub";
    if (!words.isEmpty())
        words += ' ';
    return run;
}

void RtfWriter::openLink(const QString &href) {
    if (href == m_openHref)
        return;
    closeLink();
    if (href.isEmpty() || m_linkTargets + href.size() > kMaxLinkTargets)
        return;
    m_linkTargets += href.size();
    m_body += "{\\field{\\*\\fldinst{HYPERLINK \"";
    appendFieldArgument(m_body, href);
    m_body += "\"}}{\\fldrslt";
    m_openHref = href;
}

void RtfWriter::closeLink() {
    if (m_openHref.isEmpty())
        return;
    m_body += "}}";
    m_openHref.clear();
}

int RtfWriter::fontIndex(const QString &family) {
    const auto found = m_fontIndex.constFind(family);
    if (found != m_fontIndex.constEnd())
        return *found;
    const int index = int(m_fonts.size());
    m_fonts.append(family);
    m_fontIndex.insert(family, index);
    return index;
}

int RtfWriter::colorIndex(const QColor &color) {
    const QRgb rgb = color.rgb() | 0xFF000000u;
    const auto found = m_colorIndex.constFind(rgb);
    if (found != m_colorIndex.constEnd())
        return *found;
    m_colors.append(rgb);
    const int index = int(m_colors.size()); // index 0 is the reader's default colour
    m_colorIndex.insert(rgb, index);
    return index;
}

} // namespace

QByteArray rtfFromDocument(const QTextDocument &document) {
    return RtfWriter(document).write();
}
