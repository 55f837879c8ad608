// What counts as a link in plain text:
//
//   link       = web-url | file-url | mailto | www-host | email
//   web-url    = ("http" | "https" | "ftp") "://" host-start
//   file-url   = "file://" path-start                       ; file:///etc/hostname
//   mailto     = "mailto:" local "@" label *("." label)
//   www-host   = "www." label 1*("." label)                 ; www.example.com, not www.example
//   email      = local "@" label 1*("." label)              ; last label: two or more letters
//   host-start = letter | digit | "[" (hex-digit | ":")      ; letters include non-ASCII (IDN)
//   path-start = any character but white space, controls, < > " ` and the punctuation that
//                ends a sentence: . , ; : ! ? ' " * ) ] }
//   label      = (letter | digit) *(letter | digit | "-")
//   local      = 1*(letter | digit | "." | "_" | "%" | "+" | "-")
//
// Schemes and "www." are matched without regard to case and only at the start of a word: the
// character before must not be a letter or digit (so "xhttp://a" is no link), and for "www."
// not a dot or hyphen either (foo.www.example.com is one host name). Only whether a link exists
// matters, so where it ends is never worked out: trailing punctuation matters only when nothing
// else follows the scheme ("see http://." holds no link). Every test looks at a bounded stretch
// or one that the next candidate cannot share, so the scan stays linear in the text.

#include "history/formats/LinkDetector.h"

#include <QStringView>

#include <algorithm>

namespace {

bool isWordChar(QChar c) {
    return c.isLetterOrNumber();
}

bool isLabelChar(QChar c) {
    return c.isLetterOrNumber() || c == u'-';
}

bool isLocalChar(QChar c) {
    return c.isLetterOrNumber() || c == u'.' || c == u'_' || c == u'%' || c == u'+' || c == u'-';
}

bool isHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || ((u | 0x20) >= u'a' && (u | 0x20) <= u'f');
}

bool isPathStart(QChar c) {
    if (c.isSpace() || c.category() == QChar::Other_Control)
        return false;
    static constexpr QStringView excluded = u"<>\"`.,;:!?'*)]}";
    return !excluded.contains(c);
}

bool startsWithCaseless(QStringView text, qsizetype at, QStringView prefix) {
    return text.size() - at >= prefix.size() &&
           text.sliced(at, prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
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
    static constexpr QStringView webSchemes[] = {u"http://", u"https://", u"ftp://"};
    for (const QStringView scheme : webSchemes) {
        if (!startsWithCaseless(text, at, scheme))
            continue;
        const qsizetype host = at + scheme.size();
        if (host >= text.size())
            return false;
        if (text[host] == u'[')
            return host + 1 < text.size() && (isHexDigit(text[host + 1]) || text[host + 1] == u':');
        return text[host].isLetterOrNumber();
    }
    if (startsWithCaseless(text, at, u"file://")) {
        const qsizetype path = at + 7;
        return path < text.size() && isPathStart(text[path]);
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

bool isNavigableHref(QStringView href) {
    const QStringView target = href.trimmed();
    return !target.isEmpty() && !target.startsWith(u"javascript:", Qt::CaseInsensitive);
}

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
