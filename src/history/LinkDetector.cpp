// What counts as a link in plain text:
//
//   link      = scheme-url | mailto | www-host | email
//   scheme-url = ("http" | "https" | "ftp") "://" host-start url-rest
//              | "file://" url-rest                       ; file:///etc/hostname
//   mailto    = "mailto:" local "@" label *("." label)
//   www-host  = "www." label 1*("." label)               ; www.example.com, not www.example
//   email     = local "@" label 1*("." label)            ; last label: two or more letters
//   host-start = letter | digit | "["                     ; letters include non-ASCII (IDN)
//   url-rest  = any characters but white space, controls and < > " `
//   label     = (letter | digit) *(letter | digit | "-")
//   local     = 1*(letter | digit | "." | "_" | "%" | "+" | "-")
//
// Schemes and "www." are matched without regard to case and only at the start of a word: the
// character before must not be a letter or digit (so "xhttp://a" is no link). Punctuation that
// ends a sentence (. , ; : ! ? ' " *) and closing brackets without an opening partner inside
// the link are not part of it; what is left after them must still be non-empty.

#include "history/LinkDetector.h"

#include <QStringView>

namespace {

bool isWordChar(QChar c) {
    return c.isLetterOrNumber();
}

bool isUrlChar(QChar c) {
    if (c.isSpace() || c.category() == QChar::Other_Control)
        return false;
    return c != u'<' && c != u'>' && c != u'"' && c != u'`';
}

bool isLabelChar(QChar c) {
    return c.isLetterOrNumber() || c == u'-';
}

bool isLocalChar(QChar c) {
    return c.isLetterOrNumber() || c == u'.' || c == u'_' || c == u'%' || c == u'+' || c == u'-';
}

bool startsWithCaseless(QStringView text, qsizetype at, QStringView prefix) {
    return text.size() - at >= prefix.size() &&
           text.sliced(at, prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
}

// The end of a URL that may run from begin to end, without the punctuation that closes the
// sentence around it.
qsizetype trimTrailing(QStringView text, qsizetype begin, qsizetype end) {
    while (end > begin) {
        const QChar c = text[end - 1];
        static constexpr QStringView sentencePunctuation = u".,;:!?'\"*";
        if (sentencePunctuation.contains(c)) {
            --end;
            continue;
        }
        const QChar open = c == u')' ? u'(' : c == u']' ? u'[' : c == u'}' ? u'{' : QChar();
        if (!open.isNull()) {
            const QStringView inside = text.sliced(begin, end - begin);
            if (inside.count(open) < inside.count(c)) {
                --end;
                continue;
            }
        }
        break;
    }
    return end;
}

qsizetype urlEnd(QStringView text, qsizetype begin) {
    qsizetype end = begin;
    while (end < text.size() && isUrlChar(text[end]))
        ++end;
    return trimTrailing(text, begin, end);
}

qsizetype labelEnd(QStringView text, qsizetype at) {
    if (at >= text.size() || !text[at].isLetterOrNumber())
        return at;
    while (at < text.size() && isLabelChar(text[at]))
        ++at;
    return at;
}

// The labels of a host name from at: how many there are and whether the last one is a
// plausible top-level domain (letters only, at least two).
struct HostLabels {
    int count = 0;
    bool alphabeticTop = false;
};

HostLabels scanHost(QStringView text, qsizetype at) {
    HostLabels host;
    while (true) {
        const qsizetype end = labelEnd(text, at);
        if (end == at)
            break;
        ++host.count;
        const QStringView label = text.sliced(at, end - at);
        host.alphabeticTop = label.size() >= 2 && std::all_of(label.begin(), label.end(),
                                                              [](QChar c) { return c.isLetter(); });
        if (end + 1 < text.size() && text[end] == u'.' && text[end + 1].isLetterOrNumber())
            at = end + 1;
        else
            break;
    }
    return host;
}

bool isEmailAt(QStringView text, qsizetype at, qsizetype localBegin, bool needDottedDomain) {
    qsizetype begin = at;
    while (begin > localBegin && isLocalChar(text[begin - 1]))
        --begin;
    while (begin < at && text[begin] == u'.')
        ++begin;
    if (begin == at)
        return false;
    const HostLabels host = scanHost(text, at + 1);
    return needDottedDomain ? (host.count >= 2 && host.alphabeticTop) : host.count >= 1;
}

bool schemeLinkAt(QStringView text, qsizetype at) {
    static constexpr QStringView networkSchemes[] = {u"http://", u"https://", u"ftp://"};
    for (const QStringView scheme : networkSchemes) {
        if (!startsWithCaseless(text, at, scheme))
            continue;
        const qsizetype rest = at + scheme.size();
        const qsizetype end = urlEnd(text, rest);
        return end > rest && (text[rest].isLetterOrNumber() || text[rest] == u'[');
    }
    if (startsWithCaseless(text, at, u"file://")) {
        const qsizetype rest = at + 7;
        return urlEnd(text, rest) > rest;
    }
    if (startsWithCaseless(text, at, u"mailto:")) {
        const qsizetype rest = at + 7;
        qsizetype atSign = rest;
        while (atSign < text.size() && isLocalChar(text[atSign]))
            ++atSign;
        return atSign < text.size() && text[atSign] == u'@' && isEmailAt(text, atSign, rest, false);
    }
    if (startsWithCaseless(text, at, u"www.")) {
        if (at > 0 && (text[at - 1] == u'.' || text[at - 1] == u'-'))
            return false;
        return scanHost(text, at + 4).count >= 2;
    }
    return false;
}

} // namespace

bool containsLink(const QString &text) {
    const QStringView view = text;
    for (qsizetype i = 0; i < view.size(); ++i) {
        const char16_t c = view[i].unicode();
        if (c == u'@') {
            if (isEmailAt(view, i, 0, true))
                return true;
            continue;
        }
        const char16_t lower = c | 0x20;
        if (lower != u'h' && lower != u'f' && lower != u'm' && lower != u'w')
            continue;
        if (i > 0 && isWordChar(view[i - 1]))
            continue;
        if (schemeLinkAt(view, i))
            return true;
    }
    return false;
}
