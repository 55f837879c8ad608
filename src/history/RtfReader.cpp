#include "history/RtfReader.h"

#include "history/CodePageDecoder.h"
#include "history/InertTextDocument.h"
#include "history/RtfFieldInstruction.h"
#include "history/RtfTokenizer.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// Larger input is not text anyone copies: refuse it rather than build a huge document.
constexpr qsizetype kMaxInputSize = 64 * 1024 * 1024;
// Groups nested deeper than this keep the formatting of the deepest one; they are only counted,
// so no input can make the state stack (or the stack of the program) grow without bound.
constexpr int kMaxDepth = 256;
constexpr int kDefaultFontSize = 24; // half-points
constexpr int kMaxFontSize = 3276;
constexpr int kMaxUnicodeSkip = 16;
constexpr double kTwipsPerPixel = 15.0; // 1440 twips per inch at 96 pixels per inch
// Fonts, colours and fields beyond these counts are ignored, so that a hostile document cannot
// make the tables grow with every few bytes of input; real documents use a few hundred at most.
constexpr qsizetype kMaxTableSize = 1 << 16;
constexpr qsizetype kMaxDecoders = 16;

enum class Destination { Body, FontTable, ColorTable, FieldInstruction };

struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    // Bidirectional and East Asian runs (\rtlch, \dbch) may carry their own \ab, \ai, \afs.
    bool associated = false;
    bool associatedBold = false;
    bool associatedItalic = false;
    int associatedFontSize = 0; // 0: not given
    int fontSize = kDefaultFontSize;
    int font = -1; // -1: the document's default font
    int color = 0;
    int background = 0;
    QTextCharFormat::VerticalAlignment vertical = QTextCharFormat::AlignNormal;

    bool operator==(const CharState &) const = default;
};

struct ParagraphState {
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0; // twips
    int rightIndent = 0;
    int firstIndent = 0;
    bool rightToLeft = false;
};

struct GroupState {
    Destination destination = Destination::Body;
    CharState chr;
    ParagraphState paragraph;
    int unicodeSkip = 1;
    int field = -1; // the field this group belongs to
    int link = -1;  // the field whose result this text is, when that field is a hyperlink
    bool listMarker = false;
};

struct RunKey {
    CharState chr;
    int link = -1;

    bool operator==(const RunKey &) const = default;
};

struct FontEntry {
    QString name;
    int codePage = 0; // 0: the document's
};

// clang-format off
enum class Word {
    b, i, ul, ulnone, strike, striked, v, fs, cf, cb, f, super, sub, up, dn, nosupersub, plain, ab,
    ai, afs, rtlch, dbch, ltrch, loch, hich, pard, ql, qc, qr, qj, li, ri, fi, rtlpar, ltrpar, uc,
    u, par, line, tab, cell, row, emdash, endash, bullet, lquote, rquote, ldblquote, rdblquote,
    emspace, enspace, qmspace, zwj, zwnj, ltrmark, rtlmark, zwbo, listtext, field, fldinst, fldrslt,
    fonttbl, colortbl, fcharset, cpg, red, green, blue, ansi, mac, pc, pca, ansicpg, deff, skipped,
};
// clang-format on

const std::unordered_map<std::string_view, Word> &wordTable() {
    static const std::unordered_map<std::string_view, Word> table = [] {
        // clang-format off
        std::unordered_map<std::string_view, Word> t = {
            {"b", Word::b}, {"i", Word::i}, {"ul", Word::ul}, {"ulnone", Word::ulnone},
            {"strike", Word::strike}, {"striked", Word::striked}, {"v", Word::v}, {"fs", Word::fs},
            {"cf", Word::cf}, {"cb", Word::cb}, {"highlight", Word::cb}, {"chcbpat", Word::cb},
            {"f", Word::f}, {"super", Word::super}, {"sub", Word::sub}, {"up", Word::up},
            {"dn", Word::dn}, {"nosupersub", Word::nosupersub}, {"plain", Word::plain},
            {"ab", Word::ab}, {"ai", Word::ai}, {"afs", Word::afs}, {"rtlch", Word::rtlch},
            {"dbch", Word::dbch}, {"ltrch", Word::ltrch}, {"loch", Word::loch},
            {"hich", Word::hich}, {"pard", Word::pard}, {"ql", Word::ql}, {"qc", Word::qc},
            {"qr", Word::qr}, {"qj", Word::qj}, {"li", Word::li}, {"ri", Word::ri},
            {"fi", Word::fi}, {"rtlpar", Word::rtlpar}, {"ltrpar", Word::ltrpar}, {"uc", Word::uc},
            {"u", Word::u}, {"par", Word::par}, {"sect", Word::par}, {"page", Word::par},
            {"line", Word::line}, {"tab", Word::tab}, {"cell", Word::cell},
            {"nestcell", Word::cell}, {"row", Word::row}, {"nestrow", Word::row},
            {"emdash", Word::emdash}, {"endash", Word::endash}, {"bullet", Word::bullet},
            {"lquote", Word::lquote}, {"rquote", Word::rquote}, {"ldblquote", Word::ldblquote},
            {"rdblquote", Word::rdblquote}, {"emspace", Word::emspace}, {"enspace", Word::enspace},
            {"qmspace", Word::qmspace}, {"zwj", Word::zwj}, {"zwnj", Word::zwnj},
            {"ltrmark", Word::ltrmark}, {"rtlmark", Word::rtlmark}, {"zwbo", Word::zwbo},
            {"listtext", Word::listtext}, {"pntext", Word::listtext}, {"field", Word::field},
            {"fldinst", Word::fldinst}, {"fldrslt", Word::fldrslt}, {"fonttbl", Word::fonttbl},
            {"colortbl", Word::colortbl}, {"fcharset", Word::fcharset}, {"cpg", Word::cpg},
            {"red", Word::red}, {"green", Word::green}, {"blue", Word::blue}, {"ansi", Word::ansi},
            {"mac", Word::mac}, {"pc", Word::pc}, {"pca", Word::pca}, {"ansicpg", Word::ansicpg},
            {"deff", Word::deff},
        };
        // clang-format on
        // Destinations whose content is never text of the document.
        for (const char *name :
             {"pict",         "object",    "stylesheet", "info",        "header",
              "headerl",      "headerr",   "headerf",    "footer",      "footerl",
              "footerr",      "footerf",   "footnote",   "annotation",  "atnid",
              "atnauthor",    "atndate",   "atnref",     "atntime",     "xe",
              "tc",           "txe",       "private",    "themedata",   "colorschememapping",
              "latentstyles", "datastore", "xmlnstbl",   "listtable",   "listoverridetable",
              "revtbl",       "rsidtbl",   "generator",  "pn",          "nonshppict",
              "shp",          "shppict",   "bkmkstart",  "bkmkend",     "fldtype",
              "formfield",    "datafield", "userprops",  "pgdsctbl",    "ftnsep",
              "ftnsepc",      "ftncn",     "aftnsep",    "aftnsepc",    "aftncn",
              "mmathPr",      "docvar",    "template",   "filetbl",     "do",
              "objdata",      "panose",    "falt",       "fname",       "listpicture",
              "passwordhash", "defchp",    "defpap",     "protusertbl", "wgrffmtfilter",
              "fchars",       "lchars",    "pgptbl",     "blipuid"})
            t.emplace(name, Word::skipped);
        return t;
    }();
    return table;
}

bool isUnderlineVariant(std::string_view word) {
    // \uld, \uldb, \ulwave, ... all underline; \ulc only colours the line.
    return word.size() > 2 && word.starts_with("ul") && word != "ulc";
}

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

class RtfParser {
public:
    explicit RtfParser(QByteArrayView input)
        : m_tokenizer(input) {}

    std::unique_ptr<QTextDocument> parse();

private:
    GroupState &state() { return m_stack.back(); }

    void openGroup();
    void closeGroup();
    void skipCurrentGroup();
    bool consumeSkip();

    void handleWord(const RtfToken &token);
    void handleFontTableWord(Word word, int parameter);
    void handleSymbol(char symbol);
    void handleText(QByteArrayView data);
    void handleByte(unsigned char byte);

    void emitText(QStringView text);
    void emitBytes(QByteArrayView bytes);
    void ensureRunFormat();
    void decodePending();
    void flushRun();
    void breakParagraph();
    void commitFont();
    void commitColor();

    int currentCodePage() const;
    int fontTableCodePage() const;
    const CodePageDecoder &decoder(int codePage);
    QTextCharFormat charFormat(const RunKey &key) const;
    static QTextBlockFormat blockFormat(const ParagraphState &paragraph);

    RtfTokenizer m_tokenizer;
    std::vector<GroupState> m_stack;
    ParagraphState m_lastParagraph; // of the text after the last \par
    int m_overflow = 0;             // groups opened beyond kMaxDepth and not yet closed
    int m_skip = 0;                 // fallback characters still to drop after \uN
    bool m_star = false;            // \* seen: an unknown destination that follows is skipped

    std::unique_ptr<QTextDocument> m_document;
    QTextCursor m_cursor;
    RunKey m_runKey;
    QString m_run;
    QByteArray m_pendingBytes;
    int m_pendingCodePage = 0;

    int m_codePage = 1252;
    int m_defaultFont = 0;
    QHash<int, FontEntry> m_fonts;
    int m_fontEntry = -1;
    QString m_fontName;
    QList<QColor> m_colors;
    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
    bool m_colorGiven = false;
    std::vector<QString> m_fieldInstructions;
    std::vector<std::optional<QString>> m_fieldTargets; // parsed at \fldrslt
    QHash<int, CodePageDecoder> m_decoders;
};

std::unique_ptr<QTextDocument> RtfParser::parse() {
    m_document = std::make_unique<InertTextDocument>();
    m_document->setUndoRedoEnabled(false);
    m_cursor = QTextCursor(m_document.get());
    // One edit block: the cursor then skips laying out each line just to track its position.
    m_cursor.beginEditBlock();
    m_stack.reserve(kMaxDepth);

    m_tokenizer.next(); // the '{' that opens the document, checked by the caller
    m_stack.emplace_back();
    while (!m_stack.empty()) {
        const RtfToken token = m_tokenizer.next();
        switch (token.type) {
        case RtfToken::Type::End:
            m_lastParagraph = state().paragraph;
            m_stack.clear();
            break;
        case RtfToken::Type::GroupOpen:
            openGroup();
            break;
        case RtfToken::Type::GroupClose:
            closeGroup();
            break;
        case RtfToken::Type::ControlWord:
            handleWord(token);
            break;
        case RtfToken::Type::ControlSymbol:
            handleSymbol(token.symbol);
            break;
        case RtfToken::Type::Text:
            handleText(token.data);
            break;
        case RtfToken::Type::HexByte:
            handleByte(token.byte);
            break;
        case RtfToken::Type::Binary:
            consumeSkip(); // raw data is never text
            break;
        }
    }
    flushRun();
    m_cursor.setBlockFormat(blockFormat(m_lastParagraph));
    m_cursor.endEditBlock();
    return std::move(m_document);
}

void RtfParser::openGroup() {
    m_skip = 0;
    m_star = false;
    if (int(m_stack.size()) >= kMaxDepth) {
        ++m_overflow;
        return;
    }
    m_stack.push_back(m_stack.back());
}

void RtfParser::closeGroup() {
    m_skip = 0;
    m_star = false;
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    if (state().destination == Destination::FontTable)
        commitFont();
    if (m_stack.size() == 1)
        m_lastParagraph = state().paragraph;
    m_stack.pop_back();
}

void RtfParser::skipCurrentGroup() {
    if (m_stack.size() == 1 && m_overflow == 0)
        return; // never skip the document itself over a misplaced destination word
    m_tokenizer.skipGroup();
    closeGroup();
}

bool RtfParser::consumeSkip() {
    if (m_skip == 0)
        return false;
    --m_skip;
    return true;
}

void RtfParser::handleWord(const RtfToken &token) {
    if (consumeSkip())
        return;
    const bool star = std::exchange(m_star, false);
    const std::string_view name(token.word.data(), size_t(token.word.size()));
    const auto found = wordTable().find(name);
    const int p = token.parameter;
    const bool on = !token.hasParameter || p != 0;
    GroupState &s = state();

    if (found == wordTable().end()) {
        if (star)
            skipCurrentGroup();
        else if (isUnderlineVariant(name))
            s.chr.underline = on;
        return;
    }
    const Word word = found->second;
    if (word == Word::skipped || (star && word != Word::fldinst)) {
        skipCurrentGroup();
        return;
    }
    if (s.destination == Destination::FontTable) {
        handleFontTableWord(word, p);
        return;
    }
    if (s.destination == Destination::ColorTable) {
        int *component = word == Word::red     ? &m_red
                         : word == Word::green ? &m_green
                         : word == Word::blue  ? &m_blue
                                               : nullptr;
        if (component) {
            *component = p;
            m_colorGiven = true;
        }
        return;
    }

    switch (word) {
    case Word::b:
        s.chr.bold = on;
        break;
    case Word::i:
        s.chr.italic = on;
        break;
    case Word::ul:
        s.chr.underline = on;
        break;
    case Word::ulnone:
        s.chr.underline = false;
        break;
    case Word::strike:
    case Word::striked:
        s.chr.strike = on;
        break;
    case Word::v:
        s.chr.hidden = on;
        break;
    case Word::fs:
        if (p > 0)
            s.chr.fontSize = qMin(p, kMaxFontSize);
        break;
    case Word::cf:
        s.chr.color = p;
        break;
    case Word::cb:
        s.chr.background = p;
        break;
    case Word::f:
        s.chr.font = p;
        break;
    case Word::super:
        s.chr.vertical = QTextCharFormat::AlignSuperScript;
        break;
    case Word::sub:
        s.chr.vertical = QTextCharFormat::AlignSubScript;
        break;
    case Word::up: // raised or lowered by N half-points: shown as super- and subscript
        s.chr.vertical = p > 0 ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignNormal;
        break;
    case Word::dn:
        s.chr.vertical = p > 0 ? QTextCharFormat::AlignSubScript : QTextCharFormat::AlignNormal;
        break;
    case Word::nosupersub:
        s.chr.vertical = QTextCharFormat::AlignNormal;
        break;
    case Word::plain:
        s.chr = CharState();
        break;
    case Word::ab:
        s.chr.associatedBold = on;
        break;
    case Word::ai:
        s.chr.associatedItalic = on;
        break;
    case Word::afs:
        s.chr.associatedFontSize = qBound(0, p, kMaxFontSize);
        break;
    case Word::rtlch:
    case Word::dbch:
        s.chr.associated = true;
        break;
    case Word::ltrch:
    case Word::loch:
    case Word::hich:
        s.chr.associated = false;
        break;
    case Word::pard:
        s.paragraph = ParagraphState();
        break;
    case Word::ql:
        s.paragraph.alignment = Qt::AlignLeft;
        break;
    case Word::qc:
        s.paragraph.alignment = Qt::AlignHCenter;
        break;
    case Word::qr:
        s.paragraph.alignment = Qt::AlignRight;
        break;
    case Word::qj:
        s.paragraph.alignment = Qt::AlignJustify;
        break;
    case Word::li:
        s.paragraph.leftIndent = p;
        break;
    case Word::ri:
        s.paragraph.rightIndent = p;
        break;
    case Word::fi:
        s.paragraph.firstIndent = p;
        break;
    case Word::rtlpar:
        s.paragraph.rightToLeft = true;
        break;
    case Word::ltrpar:
        s.paragraph.rightToLeft = false;
        break;
    case Word::uc:
        s.unicodeSkip = qBound(0, p, kMaxUnicodeSkip);
        break;
    case Word::u: {
        const int unit = p < 0 ? p + 0x10000 : p;
        if (unit > 0 && unit <= 0xFFFF) {
            // List markers drawn from a symbol font (Word's bullet is U+F0B7) mean a bullet.
            const bool symbolGlyph = unit >= 0xF000 && unit <= 0xF0FF;
            const QChar c{char16_t(s.listMarker && symbolGlyph ? 0x2022 : unit)};
            emitText(QStringView(&c, 1));
        }
        m_skip = s.unicodeSkip;
        break;
    }
    case Word::par:
    case Word::cell:
        if (s.destination == Destination::Body)
            breakParagraph();
        break;
    case Word::line:
        emitText(u"\u2028");
        break;
    case Word::tab:
        emitText(u"\t");
        break;
    case Word::emdash:
        emitText(u"\u2014");
        break;
    case Word::endash:
        emitText(u"\u2013");
        break;
    case Word::bullet:
        emitText(u"\u2022");
        break;
    case Word::lquote:
        emitText(u"\u2018");
        break;
    case Word::rquote:
        emitText(u"\u2019");
        break;
    case Word::ldblquote:
        emitText(u"\u201C");
        break;
    case Word::rdblquote:
        emitText(u"\u201D");
        break;
    case Word::emspace:
        emitText(u"\u2003");
        break;
    case Word::enspace:
        emitText(u"\u2002");
        break;
    case Word::qmspace:
        emitText(u"\u2005");
        break;
    case Word::zwj:
        emitText(u"\u200D");
        break;
    case Word::zwnj:
        emitText(u"\u200C");
        break;
    case Word::ltrmark:
        emitText(u"\u200E");
        break;
    case Word::rtlmark:
        emitText(u"\u200F");
        break;
    case Word::zwbo:
        emitText(u"\u200B");
        break;
    case Word::listtext:
        s.listMarker = true;
        break;
    case Word::field:
        if (m_fieldInstructions.size() >= kMaxTableSize) {
            s.field = -1; // its result still shows, as plain text
            break;
        }
        s.field = int(m_fieldInstructions.size());
        m_fieldInstructions.emplace_back();
        m_fieldTargets.emplace_back();
        break;
    case Word::fldinst:
        if (s.field >= 0 && s.destination == Destination::Body)
            s.destination = Destination::FieldInstruction;
        else if (s.destination != Destination::FieldInstruction)
            skipCurrentGroup();
        break;
    case Word::fldrslt:
        // Inside an instruction (a nested field), the result still belongs to the instruction.
        if (s.field >= 0 && s.destination == Destination::Body) {
            std::optional<QString> &target = m_fieldTargets[s.field];
            if (!target)
                target = hyperlinkTarget(m_fieldInstructions[s.field]);
            if (!target->isEmpty())
                s.link = s.field;
        }
        break;
    case Word::fonttbl:
        s.destination = Destination::FontTable;
        m_fontEntry = -1;
        m_fontName.clear();
        break;
    case Word::colortbl:
        s.destination = Destination::ColorTable;
        m_colors.clear();
        m_colorGiven = false;
        m_red = m_green = m_blue = 0;
        break;
    case Word::ansi:
        m_codePage = 1252;
        break;
    case Word::mac:
        m_codePage = 10000;
        break;
    case Word::pc:
        m_codePage = 437;
        break;
    case Word::pca:
        m_codePage = 850;
        break;
    case Word::ansicpg:
        if (p > 0)
            m_codePage = p;
        break;
    case Word::deff:
        m_defaultFont = p;
        break;
    default:
        break;
    }
}

void RtfParser::handleFontTableWord(Word word, int parameter) {
    switch (word) {
    case Word::f:
        commitFont();
        m_fontEntry =
            m_fonts.size() < kMaxTableSize || m_fonts.contains(parameter) ? parameter : -1;
        if (m_fontEntry >= 0)
            m_fonts.insert(parameter, FontEntry());
        break;
    case Word::fcharset:
        if (m_fontEntry >= 0)
            m_fonts[m_fontEntry].codePage = CodePageDecoder::codePageOfCharset(parameter);
        break;
    case Word::cpg:
        if (m_fontEntry >= 0 && parameter > 0)
            m_fonts[m_fontEntry].codePage = parameter;
        break;
    case Word::u: {
        const int unit = parameter < 0 ? parameter + 0x10000 : parameter;
        if (unit > 0 && unit <= 0xFFFF)
            m_fontName += QChar(char16_t(unit));
        m_skip = state().unicodeSkip;
        break;
    }
    default:
        break;
    }
}

void RtfParser::handleSymbol(char symbol) {
    if (consumeSkip())
        return;
    switch (symbol) {
    case '*':
        m_star = true;
        return;
    case '\\':
    case '{':
    case '}':
        emitBytes(QByteArrayView(&symbol, 1));
        break;
    case '~':
        emitText(u"\u00A0");
        break;
    case '-':
        emitText(u"\u00AD");
        break;
    case '_':
        emitText(u"\u2011");
        break;
    case '\n':
        if (state().destination == Destination::Body)
            breakParagraph();
        break;
    default:
        break;
    }
    m_star = false;
}

void RtfParser::handleText(QByteArrayView data) {
    m_star = false;
    if (m_skip > 0) {
        const qsizetype dropped = qMin<qsizetype>(m_skip, data.size());
        m_skip -= int(dropped);
        data = data.sliced(dropped);
    }
    if (data.isEmpty())
        return;

    switch (state().destination) {
    case Destination::Body:
    case Destination::FieldInstruction:
        emitBytes(data);
        break;
    case Destination::FontTable:
        while (!data.isEmpty()) {
            const qsizetype end = data.indexOf(';');
            const QByteArrayView part = end < 0 ? data : data.first(end);
            if (m_fontEntry >= 0)
                m_fontName += decoder(fontTableCodePage()).decode(part);
            if (end < 0)
                break;
            commitFont();
            data = data.sliced(end + 1);
        }
        break;
    case Destination::ColorTable:
        for (const char c : data) {
            if (c == ';')
                commitColor();
        }
        break;
    }
}

void RtfParser::handleByte(unsigned char byte) {
    m_star = false;
    if (consumeSkip())
        return;
    const char c = char(byte);
    emitBytes(QByteArrayView(&c, 1));
}

void RtfParser::emitText(QStringView text) {
    GroupState &s = state();
    switch (s.destination) {
    case Destination::Body:
        if (s.chr.hidden)
            return;
        ensureRunFormat();
        decodePending();
        m_run += text;
        break;
    case Destination::FieldInstruction:
        m_fieldInstructions[s.field] += text;
        break;
    case Destination::FontTable:
        if (m_fontEntry >= 0)
            m_fontName += text;
        break;
    case Destination::ColorTable:
        break;
    }
}

void RtfParser::emitBytes(QByteArrayView bytes) {
    GroupState &s = state();
    if (s.destination == Destination::FieldInstruction) {
        m_fieldInstructions[s.field] += decoder(currentCodePage()).decode(bytes);
        return;
    }
    if (s.destination == Destination::FontTable) {
        if (m_fontEntry >= 0)
            m_fontName += decoder(fontTableCodePage()).decode(bytes);
        return;
    }
    if (s.destination != Destination::Body || s.chr.hidden)
        return;
    ensureRunFormat();
    const int codePage = currentCodePage();
    if (codePage != m_pendingCodePage)
        decodePending();
    m_pendingCodePage = codePage;
    // Literal line breaks are not text in RTF; other control bytes (a trailing NUL) are noise.
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t')
            m_pendingBytes += c;
    }
}

void RtfParser::ensureRunFormat() {
    const RunKey key{state().chr, state().link};
    if (key == m_runKey)
        return;
    flushRun();
    m_runKey = key;
}

void RtfParser::decodePending() {
    if (m_pendingBytes.isEmpty())
        return;
    if (isAscii(m_pendingBytes))
        m_run += QLatin1StringView(m_pendingBytes);
    else
        m_run += decoder(m_pendingCodePage).decode(m_pendingBytes);
    m_pendingBytes.clear();
}

void RtfParser::flushRun() {
    decodePending();
    if (m_run.isEmpty())
        return;
    repairSurrogates(m_run);
    m_cursor.insertText(m_run, charFormat(m_runKey));
    m_run.clear();
}

void RtfParser::breakParagraph() {
    flushRun();
    m_cursor.setBlockFormat(blockFormat(state().paragraph));
    m_cursor.insertBlock();
}

void RtfParser::commitFont() {
    if (m_fontEntry >= 0) {
        QString name = m_fontName.trimmed();
        if (!name.isEmpty())
            m_fonts[m_fontEntry].name = std::move(name);
    }
    m_fontName.clear();
}

void RtfParser::commitColor() {
    if (m_colors.size() < kMaxTableSize)
        m_colors.append(m_colorGiven ? QColor(qBound(0, m_red, 255), qBound(0, m_green, 255),
                                              qBound(0, m_blue, 255))
                                     : QColor());
    m_red = m_green = m_blue = 0;
    m_colorGiven = false;
}

int RtfParser::currentCodePage() const {
    const int font = m_stack.back().chr.font >= 0 ? m_stack.back().chr.font : m_defaultFont;
    const auto entry = m_fonts.constFind(font);
    if (entry != m_fonts.constEnd() && entry->codePage != 0)
        return entry->codePage;
    return m_codePage;
}

// Font names are written in the code page of the font they name.
int RtfParser::fontTableCodePage() const {
    const int codePage = m_fonts.value(m_fontEntry).codePage;
    return codePage != 0 ? codePage : m_codePage;
}

const CodePageDecoder &RtfParser::decoder(int codePage) {
    auto found = m_decoders.find(codePage);
    if (found == m_decoders.end()) {
        if (m_decoders.size() >= kMaxDecoders)
            m_decoders.clear();
        found = m_decoders.insert(codePage, CodePageDecoder::forCodePage(codePage));
    }
    return *found;
}

QTextCharFormat RtfParser::charFormat(const RunKey &key) const {
    const CharState &chr = key.chr;
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
    const auto font = m_fonts.constFind(chr.font >= 0 ? chr.font : m_defaultFont);
    if (font != m_fonts.constEnd() && !font->name.isEmpty())
        format.setFontFamilies(QStringList{font->name});
    if (chr.color >= 0 && chr.color < m_colors.size() && m_colors[chr.color].isValid())
        format.setForeground(m_colors[chr.color]);
    if (chr.background > 0 && chr.background < m_colors.size() &&
        m_colors[chr.background].isValid())
        format.setBackground(m_colors[chr.background]);
    if (chr.vertical != QTextCharFormat::AlignNormal)
        format.setVerticalAlignment(chr.vertical);
    if (key.link >= 0) {
        format.setAnchor(true);
        format.setAnchorHref(m_fieldTargets[key.link].value_or(QString()));
    }
    return format;
}

QTextBlockFormat RtfParser::blockFormat(const ParagraphState &paragraph) {
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

} // namespace

std::unique_ptr<QTextDocument> documentFromRtf(const QByteArray &rtf) {
    if (rtf.size() > kMaxInputSize)
        return nullptr;
    qsizetype start = 0;
    while (start < rtf.size() &&
           (rtf[start] == ' ' || rtf[start] == '\t' || rtf[start] == '\r' || rtf[start] == '\n'))
        ++start;
    const QByteArrayView input = QByteArrayView(rtf).sliced(start);
    if (!input.startsWith("{\\rtf"))
        return nullptr;
    return RtfParser(input).parse();
}
