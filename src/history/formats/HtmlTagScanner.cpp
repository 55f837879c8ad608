#include "history/formats/HtmlTagScanner.h"

HtmlTagScanner::Token HtmlTagScanner::next() {
    const qsizetype n = m_html.size();
    Token token;
    token.begin = m_pos;
    if (m_pos >= n)
        return token;
    if (m_html[m_pos] != u'<') {
        const qsizetype open = m_html.indexOf(u'<', m_pos);
        m_pos = open < 0 ? n : open;
        token.kind = Kind::text;
    } else {
        ++m_pos;
        skipSpace();
        if (m_pos < n && m_html[m_pos] == u'!') {
            ++m_pos;
            if (m_html.sliced(m_pos).startsWith(u"--")) {
                const qsizetype close = m_html.indexOf(u"-->", m_pos + 2);
                m_pos = close < 0 ? n : close + 3;
            } else {
                skipPast(u'>');
            }
            token.kind = Kind::skipped;
        } else if (m_pos < n && m_html[m_pos] == u'/') {
            ++m_pos;
            const QStringView name = word();
            token.encoded = name.contains(u'&');
            token.name = name.toString().toLower().trimmed();
            skipPast(u'>');
            token.kind = Kind::endTag;
        } else {
            readStartTag(token);
        }
    }
    token.end = m_pos;
    return token;
}

void HtmlTagScanner::readStartTag(Token &token) {
    const qsizetype n = m_html.size();
    token.kind = Kind::startTag;
    const QStringView name = word();
    token.encoded = name.contains(u'&');
    token.name = name.toString().toLower();
    // Attributes only after white space (between them none is needed); they end at '>', '/' or a
    // word Qt cannot read as a key.
    const bool hasAttributes = m_pos < n && m_html[m_pos].isSpace();
    while (hasAttributes && m_pos < n) {
        skipSpace();
        if (m_pos < n && (m_html[m_pos] == u'>' || m_html[m_pos] == u'/'))
            break;
        const QStringView key = word();
        if (key.isEmpty())
            break;
        QStringView value = u"1";
        skipSpace();
        if (m_pos < n && m_html[m_pos] == u'=') {
            ++m_pos;
            skipSpace();
            value = word();
        }
        token.encoded = token.encoded || key.contains(u'&');
        if (!value.isEmpty())
            token.attributes.append({key, value});
    }
    while (m_pos < n && m_html[m_pos] != u'>') {
        if (m_html[m_pos] == u'/')
            token.closed = true;
        ++m_pos;
    }
    m_pos = qMin(m_pos + 1, n);
}

// Entities are left as written: no entity Qt resolves holds a character that ends a word.
QStringView HtmlTagScanner::word() {
    const qsizetype n = m_html.size();
    if (m_pos < n && (m_html[m_pos] == u'"' || m_html[m_pos] == u'\'')) {
        const QChar quote = m_html[m_pos];
        const qsizetype begin = ++m_pos;
        while (m_pos < n) {
            const QChar c = m_html[m_pos++];
            if (c == quote && (quote == u'"' || m_html[m_pos - 2] != u'\\'))
                return m_html.sliced(begin, m_pos - 1 - begin);
        }
        return m_html.sliced(begin);
    }
    const qsizetype begin = m_pos;
    while (m_pos < n) {
        const QChar c = m_html[m_pos];
        if (c == u'>' || c == u'<' || c == u'=' || c.isSpace() ||
            (c == u'/' && m_pos + 1 < n && m_html[m_pos + 1] == u'>'))
            break;
        ++m_pos;
    }
    return m_html.sliced(begin, m_pos - begin);
}

// Qt's reader takes a paragraph separator for part of a word, though it is white space.
void HtmlTagScanner::skipSpace() {
    while (m_pos < m_html.size() && m_html[m_pos].isSpace() &&
           m_html[m_pos] != QChar::ParagraphSeparator)
        ++m_pos;
}

void HtmlTagScanner::skipPast(QChar c) {
    const qsizetype at = m_html.indexOf(c, m_pos);
    m_pos = at < 0 ? m_html.size() : at + 1;
}
