#include "history/formats/RtfTokenizer.h"

#include <limits>

namespace {

// Longer words are not RTF; the rest of the letters still belong to the token.
constexpr qsizetype kMaxWordLength = 32;

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

RtfToken RtfTokenizer::next() {
    RtfToken token;
    while (m_pos < m_input.size()) {
        const char c = m_input[m_pos];
        if (c == '{') {
            ++m_pos;
            token.type = RtfToken::Type::GroupOpen;
            return token;
        }
        if (c == '}') {
            ++m_pos;
            token.type = RtfToken::Type::GroupClose;
            return token;
        }
        if (c == '\r' || c == '\n') {
            ++m_pos;
            continue;
        }
        if (c == '\\') {
            if (m_pos + 1 >= m_input.size()) {
                m_pos = m_input.size();
                return token;
            }
            const char s = m_input[m_pos + 1];
            if (isLetter(s))
                return controlWord();
            m_pos += 2;
            if (s == '\'') {
                int value = 0;
                int digits = 0;
                while (digits < 2 && m_pos < m_input.size() && hexValue(m_input[m_pos]) >= 0) {
                    value = value * 16 + hexValue(m_input[m_pos++]);
                    ++digits;
                }
                if (digits < 2)
                    continue; // a cut escape stands for nothing
                token.type = RtfToken::Type::HexByte;
                token.byte = static_cast<unsigned char>(value);
                return token;
            }
            token.type = RtfToken::Type::ControlSymbol;
            token.symbol = s == '\r' ? '\n' : s;
            return token;
        }
        const qsizetype begin = m_pos;
        while (m_pos < m_input.size()) {
            const char t = m_input[m_pos];
            if (t == '{' || t == '}' || t == '\\' || t == '\r' || t == '\n')
                break;
            ++m_pos;
        }
        token.type = RtfToken::Type::Text;
        token.data = m_input.sliced(begin, m_pos - begin);
        return token;
    }
    return token;
}

RtfToken RtfTokenizer::controlWord() {
    RtfToken token;
    token.type = RtfToken::Type::ControlWord;
    const qsizetype begin = ++m_pos;
    while (m_pos < m_input.size() && isLetter(m_input[m_pos]))
        ++m_pos;
    token.word = m_input.sliced(begin, qMin(m_pos - begin, kMaxWordLength));
    token.parameter = readParameter(&token.hasParameter);
    if (m_pos < m_input.size() && m_input[m_pos] == ' ')
        ++m_pos;

    if (token.word == "bin") {
        const qsizetype length =
            token.hasParameter
                ? qBound<qsizetype>(0, qsizetype(token.parameter), m_input.size() - m_pos)
                : 0;
        token.type = RtfToken::Type::Binary;
        token.data = m_input.sliced(m_pos, length);
        m_pos += length;
    }
    return token;
}

int RtfTokenizer::readParameter(bool *present) {
    *present = false;
    qsizetype i = m_pos;
    const bool negative = i < m_input.size() && m_input[i] == '-';
    if (negative)
        ++i;
    if (i >= m_input.size() || !isDigit(m_input[i]))
        return 0;
    long long value = 0;
    while (i < m_input.size() && isDigit(m_input[i])) {
        if (value <= std::numeric_limits<int>::max())
            value = value * 10 + (m_input[i] - '0');
        ++i;
    }
    m_pos = i;
    *present = true;
    value = qMin<long long>(value, std::numeric_limits<int>::max());
    return static_cast<int>(negative ? -value : value);
}

bool RtfTokenizer::skipGroup() {
    int depth = 1;
    while (m_pos < m_input.size()) {
        const char c = m_input[m_pos];
        if (c == '{') {
            ++depth;
            ++m_pos;
        } else if (c == '}') {
            ++m_pos;
            if (--depth == 0)
                return true;
        } else if (c == '\\') {
            if (m_pos + 1 < m_input.size() && isLetter(m_input[m_pos + 1])) {
                const RtfToken word = controlWord(); // moves over \binN data as well
                Q_UNUSED(word);
            } else {
                m_pos += 2; // \{ \} \\ and the like
            }
        } else {
            ++m_pos;
        }
    }
    m_pos = m_input.size();
    return false;
}
