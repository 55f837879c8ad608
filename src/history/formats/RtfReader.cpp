#include "history/formats/RtfReader.h"

#include "history/formats/CodePageDecoderCache.h"
#include "history/formats/RtfColorTable.h"
#include "history/formats/RtfControlWord.h"
#include "history/formats/RtfDocumentBuilder.h"
#include "history/formats/RtfFieldList.h"
#include "history/formats/RtfFontTable.h"
#include "history/formats/RtfGroupState.h"
#include "history/formats/RtfTokenizer.h"

#include <QTextDocument>

#include <string_view>
#include <utility>
#include <vector>

namespace {

using Word = RtfControlWord;

// Larger input is not text anyone copies: refuse it rather than build a huge document.
constexpr qsizetype kMaxInputSize = 64 * 1024 * 1024;
// Groups nested deeper than this keep the formatting of the deepest one; they are only counted,
// so no input can make the state stack (or the stack of the program) grow without bound.
constexpr int kMaxDepth = 256;
constexpr int kMaxUnicodeSkip = 16;

// Reads the token stream: keeps the group stack, sends each piece of text to where the current
// destination says (body, font table, colour table, field instruction) and the body text on to
// the document builder.
class RtfParser {
public:
    explicit RtfParser(QByteArrayView input)
        : m_tokenizer(input)
        , m_builder(m_fonts, m_colors, m_fields, m_decoders) {}

    std::unique_ptr<QTextDocument> parse();

private:
    RtfGroupState &state() { return m_stack.back(); }

    void openGroup();
    void closeGroup();
    void skipCurrentGroup();
    bool consumeSkip();

    void handleWord(const RtfToken &token);
    void handleFontTableWord(Word word, int parameter);
    void handleUnicode(int parameter);
    void handleFieldWord(Word word);
    void handleDocumentWord(Word word, int parameter);
    void handleSymbol(char symbol);
    void handleText(QByteArrayView data);
    void handleByte(unsigned char byte);

    void emitText(QStringView text);
    void emitBytes(QByteArrayView bytes);
    RtfRunKey runKey() { return {state().chr, state().link}; }
    int currentCodePage() const;
    int fontTableCodePage() const;
    const CodePageDecoder &decoder(int codePage) { return m_decoders.forCodePage(codePage); }

    RtfTokenizer m_tokenizer;
    std::vector<RtfGroupState> m_stack;
    RtfParagraphState m_lastParagraph; // of the text after the last \par
    int m_overflow = 0;                // groups opened beyond kMaxDepth and not yet closed
    int m_skip = 0;                    // fallback characters still to drop after \uN
    bool m_star = false;               // \* seen: an unknown destination that follows is skipped
    int m_codePage = 1252;             // the document's

    RtfFontTable m_fonts;
    RtfColorTable m_colors;
    RtfFieldList m_fields;
    CodePageDecoderCache m_decoders;
    RtfDocumentBuilder m_builder;
};

std::unique_ptr<QTextDocument> RtfParser::parse() {
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
    return m_builder.finish(m_lastParagraph);
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
    if (state().destination == RtfDestination::FontTable)
        m_fonts.commitName();
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
    const std::optional<Word> found = rtfControlWord(name);
    const int p = token.parameter;
    const bool on = !token.hasParameter || p != 0;
    RtfGroupState &s = state();

    if (!found) {
        if (star)
            skipCurrentGroup();
        else if (isRtfUnderlineVariant(name))
            s.chr.underline = on;
        return;
    }
    const Word word = *found;
    if (word == Word::skipped || (star && word != Word::fldinst)) {
        skipCurrentGroup();
        return;
    }
    if (s.destination == RtfDestination::FontTable) {
        handleFontTableWord(word, p);
        return;
    }
    if (s.destination == RtfDestination::ColorTable) {
        m_colors.setComponent(word, p);
        return;
    }
    if (s.chr.apply(word, p, on) || s.paragraph.apply(word, p))
        return;
    if (const char16_t c = rtfSpecialCharacter(word)) {
        emitText(QStringView(&c, 1));
        return;
    }
    switch (word) {
    case Word::uc:
        s.unicodeSkip = qBound(0, p, kMaxUnicodeSkip);
        break;
    case Word::u:
        handleUnicode(p);
        break;
    case Word::par:
    case Word::cell:
        if (s.destination == RtfDestination::Body)
            m_builder.breakParagraph(s.paragraph);
        break;
    case Word::listtext:
        s.listMarker = true;
        break;
    case Word::field:
    case Word::fldinst:
    case Word::fldrslt:
        handleFieldWord(word);
        break;
    default:
        handleDocumentWord(word, p);
        break;
    }
}

void RtfParser::handleFontTableWord(Word word, int parameter) {
    switch (word) {
    case Word::f:
        m_fonts.startEntry(parameter);
        break;
    case Word::fcharset:
        m_fonts.setCharset(parameter);
        break;
    case Word::cpg:
        m_fonts.setCodePage(parameter);
        break;
    case Word::u: {
        const int unit = parameter < 0 ? parameter + 0x10000 : parameter;
        if (unit > 0 && unit <= 0xFFFF) {
            const QChar c{char16_t(unit)};
            m_fonts.appendToName(QStringView(&c, 1));
        }
        m_skip = state().unicodeSkip;
        break;
    }
    default:
        break;
    }
}

// \uN: one UTF-16 unit (negative N counts down from 65536), followed by fallback characters for
// readers that do not know \u, which are dropped.
void RtfParser::handleUnicode(int parameter) {
    const RtfGroupState &s = state();
    const int unit = parameter < 0 ? parameter + 0x10000 : parameter;
    if (unit > 0 && unit <= 0xFFFF) {
        // List markers drawn from a symbol font (Word's bullet is U+F0B7) mean a bullet.
        const bool symbolGlyph = unit >= 0xF000 && unit <= 0xF0FF;
        const QChar c{char16_t(s.listMarker && symbolGlyph ? 0x2022 : unit)};
        emitText(QStringView(&c, 1));
    }
    m_skip = s.unicodeSkip;
}

void RtfParser::handleFieldWord(Word word) {
    RtfGroupState &s = state();
    switch (word) {
    case Word::field:
        s.field = m_fields.open();
        break;
    case Word::fldinst:
        if (s.field >= 0 && s.destination == RtfDestination::Body)
            s.destination = RtfDestination::FieldInstruction;
        else if (s.destination != RtfDestination::FieldInstruction)
            skipCurrentGroup();
        break;
    case Word::fldrslt:
        // Inside an instruction (a nested field), the result still belongs to the instruction.
        if (s.field >= 0 && s.destination == RtfDestination::Body && m_fields.isLink(s.field))
            s.link = s.field;
        break;
    default:
        break;
    }
}

// Words about the document as a whole: its tables, its code page and its default font.
void RtfParser::handleDocumentWord(Word word, int parameter) {
    switch (word) {
    case Word::fonttbl:
        state().destination = RtfDestination::FontTable;
        m_fonts.begin();
        break;
    case Word::colortbl:
        state().destination = RtfDestination::ColorTable;
        m_colors.begin();
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
        if (parameter > 0)
            m_codePage = parameter;
        break;
    case Word::deff:
        m_fonts.setDefaultFont(parameter);
        break;
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
        if (state().destination == RtfDestination::Body)
            m_builder.breakParagraph(state().paragraph);
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
    case RtfDestination::Body:
    case RtfDestination::FieldInstruction:
        emitBytes(data);
        break;
    case RtfDestination::FontTable:
        m_fonts.appendText(data, decoder(fontTableCodePage()));
        break;
    case RtfDestination::ColorTable:
        m_colors.appendText(data);
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
    const RtfGroupState &s = state();
    switch (s.destination) {
    case RtfDestination::Body:
        if (!s.chr.hidden)
            m_builder.appendText(runKey(), text);
        break;
    case RtfDestination::FieldInstruction:
        m_fields.appendInstruction(s.field, text);
        break;
    case RtfDestination::FontTable:
        m_fonts.appendToName(text);
        break;
    case RtfDestination::ColorTable:
        break;
    }
}

void RtfParser::emitBytes(QByteArrayView bytes) {
    const RtfGroupState &s = state();
    switch (s.destination) {
    case RtfDestination::Body:
        if (!s.chr.hidden)
            m_builder.appendBytes(runKey(), bytes, currentCodePage());
        break;
    case RtfDestination::FieldInstruction:
        m_fields.appendInstruction(s.field, decoder(currentCodePage()).decode(bytes));
        break;
    case RtfDestination::FontTable:
        m_fonts.appendToName(decoder(fontTableCodePage()).decode(bytes));
        break;
    case RtfDestination::ColorTable:
        break;
    }
}

int RtfParser::currentCodePage() const {
    const int codePage = m_fonts.codePage(m_stack.back().chr.font);
    return codePage != 0 ? codePage : m_codePage;
}

// Font names are written in the code page of the font they name.
int RtfParser::fontTableCodePage() const {
    const int codePage = m_fonts.entryCodePage();
    return codePage != 0 ? codePage : m_codePage;
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
