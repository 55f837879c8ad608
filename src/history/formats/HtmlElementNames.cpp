#include "history/formats/HtmlElementNames.h"

#include <QList>

#include <utility>

namespace {

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool endsName(QChar c) {
    return isSpace(c) || c == u'>' || c == u'/' || c == u'=';
}

bool isRemovedAttribute(QStringView name) {
    return name.compare(u"id", Qt::CaseInsensitive) == 0 ||
           name.compare(u"name", Qt::CaseInsensitive) == 0;
}

// Where the start tag beginning at `at` ends (just after its '>'), with the ranges of the
// attributes to remove, each with the white space before it, added to `cuts`.
qsizetype scanStartTag(QStringView html, qsizetype at,
                       QList<std::pair<qsizetype, qsizetype>> &cuts) {
    const qsizetype n = html.size();
    qsizetype i = at + 1;
    while (i < n && !endsName(html[i]))
        ++i;
    while (i < n) {
        const qsizetype before = i;
        while (i < n && (isSpace(html[i]) || html[i] == u'/'))
            ++i;
        if (i >= n || html[i] == u'>')
            return i < n ? i + 1 : n;
        const qsizetype nameStart = i;
        while (i < n && !endsName(html[i]))
            ++i;
        const QStringView name = html.sliced(nameStart, i - nameStart);
        qsizetype j = i;
        while (j < n && isSpace(html[j]))
            ++j;
        if (j < n && html[j] == u'=') {
            ++j;
            while (j < n && isSpace(html[j]))
                ++j;
            if (j < n && (html[j] == u'"' || html[j] == u'\'')) {
                const qsizetype close = html.indexOf(html[j], j + 1);
                j = close < 0 ? n : close + 1;
            } else {
                while (j < n && !isSpace(html[j]) && html[j] != u'>')
                    ++j;
            }
            i = j;
        }
        if (isRemovedAttribute(name))
            cuts.append({before, i});
        if (i == nameStart) // a stray '=' or similar: step over it
            ++i;
    }
    return n;
}

} // namespace

QString withoutElementNames(const QString &html) {
    const QStringView view(html);
    const qsizetype n = view.size();
    QList<std::pair<qsizetype, qsizetype>> cuts;
    qsizetype i = 0;
    while ((i = view.indexOf(u'<', i)) >= 0) {
        if (view.sliced(i).startsWith(u"<!--")) {
            const qsizetype end = view.indexOf(u"-->", i + 4);
            i = end < 0 ? n : end + 3;
        } else if (i + 1 < n && isAsciiLetter(view[i + 1])) {
            const qsizetype end = scanStartTag(view, i, cuts);
            // Script text is not markup: skip to its end tag.
            if (view.sliced(i + 1).startsWith(u"script", Qt::CaseInsensitive)) {
                const qsizetype close = view.indexOf(u"</script", end, Qt::CaseInsensitive);
                i = close < 0 ? n : close;
            } else {
                i = end;
            }
        } else {
            ++i;
        }
    }
    if (cuts.isEmpty())
        return html;
    QString out;
    out.reserve(n);
    qsizetype from = 0;
    for (const auto &[start, end] : cuts) {
        out += view.sliced(from, start - from);
        from = end;
    }
    out += view.sliced(from);
    return out;
}
