#include "history/formats/HtmlStyleAttribute.h"

namespace {

// Entities as Qt decodes them, up to ';' within nine characters: the quotes matter to CSS;
// any other is kept as written with its ';' hidden, which at most makes a declaration longer.
QString decodedQuotes(QStringView value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const qsizetype semicolon =
            value[i] == u'&' ? value.sliced(i, qMin(value.size() - i, qsizetype(10))).indexOf(u';')
                             : -1;
        if (semicolon < 0) {
            out += value[i];
            continue;
        }
        const QStringView name = value.sliced(i + 1, semicolon - 1);
        if (name == u"quot" || name == u"QUOT") {
            out += u'"';
        } else if (name == u"apos") {
            out += u'\'';
        } else {
            out += u'&';
            out += name;
            out += u'\uE000';
        }
        i += semicolon;
    }
    return out;
}

bool mayBeSpelledOtherwise(QStringView style) {
    return style.contains(u"&#") || style.contains(u'\\') || style.contains(u"/*");
}

} // namespace

bool styleMayKeepLineBreaks(QStringView style) {
    return style.contains(u"space", Qt::CaseInsensitive) || mayBeSpelledOtherwise(style);
}

bool styleMayNameUrl(QStringView style) {
    return style.contains(u"url", Qt::CaseInsensitive) || mayBeSpelledOtherwise(style);
}

QString styleFontDeclarations(QStringView style) {
    if (mayBeSpelledOtherwise(style))
        return style.toString();
    const QString decoded = decodedQuotes(style);
    QString declarations;
    qsizetype end = 0;
    for (qsizetype at = decoded.indexOf(u"font", 0, Qt::CaseInsensitive); at >= 0;
         at = decoded.indexOf(u"font", end, Qt::CaseInsensitive)) {
        QChar quote;
        int brackets = 0;
        for (end = at; end < decoded.size(); ++end) {
            const QChar c = decoded[end];
            if (!quote.isNull())
                quote = c == quote ? QChar() : quote;
            else if (c == u'"' || c == u'\'')
                quote = c;
            else if (c == u'(' || c == u')')
                brackets += c == u'(' ? 1 : -1;
            else if (c == u';' && brackets <= 0)
                break;
        }
        declarations += QStringView(decoded).sliced(at, end - at);
        declarations += u'\n';
    }
    return declarations;
}
