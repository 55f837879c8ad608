#include "platform/LogQuote.h"

#include <utility>

namespace {

constexpr qsizetype kHeadShown = 40;
constexpr qsizetype kMaxShown = 80;
constexpr qsizetype kTailShown = kMaxShown - kHeadShown - 1; // the ellipsis takes one

struct CodePoint {
    char32_t value;
    qsizetype units;
};

CodePoint startingAt(QStringView s, qsizetype i) {
    if (i + 1 < s.size() && s[i].isHighSurrogate() && s[i + 1].isLowSurrogate())
        return {QChar::surrogateToUcs4(s[i], s[i + 1]), 2};
    return {s[i].unicode(), 1};
}

CodePoint endingAt(QStringView s, qsizetype i) {
    if (i >= 2 && s[i - 1].isLowSurrogate() && s[i - 2].isHighSurrogate())
        return {QChar::surrogateToUcs4(s[i - 2], s[i - 1]), 2};
    return {s[i - 1].unicode(), 1};
}

QString shown(char32_t c) {
    if (c == U'"' || c == U'\\')
        return QString(u'\\') + QChar(char16_t(c));
    // A tab or line separator is "printable" to Qt but would still break or blur the line.
    if (c == U' ' || (QChar::isPrint(c) && !QChar::isSpace(c)))
        return QString::fromUcs4(&c, 1);
    const auto [prefix, digits] = c <= 0xFF     ? std::pair{QLatin1String("\\x"), 2}
                                  : c <= 0xFFFF ? std::pair{QLatin1String("\\u"), 4}
                                                : std::pair{QLatin1String("\\U"), 8};
    return prefix + QStringLiteral("%1").arg(uint(c), digits, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString logQuoted(QStringView value) {
    QString out;
    qsizetype headEnd = -1;
    for (qsizetype i = 0; i < value.size();) {
        const CodePoint c = startingAt(value, i);
        const QString piece = shown(c.value);
        if (headEnd < 0 && out.size() + piece.size() > kHeadShown)
            headEnd = out.size();
        if (out.size() + piece.size() > kMaxShown) {
            // Too long: the head as far as its share goes, then the tail from the end. The two
            // cannot meet, or the whole value would have fitted.
            out.truncate(headEnd);
            QString tail;
            for (qsizetype j = value.size(); j > 0;) {
                const CodePoint back = endingAt(value, j);
                const QString backPiece = shown(back.value);
                if (tail.size() + backPiece.size() > kTailShown)
                    break;
                tail.prepend(backPiece);
                j -= back.units;
            }
            return u'"' + out + u'\u2026' + tail + u'"';
        }
        out += piece;
        i += c.units;
    }
    return u'"' + out + u'"';
}
