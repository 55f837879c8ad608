#include "history/formats/HtmlShape.h"

#include "history/formats/HtmlElementKind.h"
#include "history/formats/HtmlStyleAttribute.h"
#include "history/formats/HtmlTagScanner.h"

#include <QHash>
#include <QSet>

#include <cmath>
#include <optional>

namespace {

using namespace Qt::StringLiterals;
using Role = HtmlElementKind::Role;
using Display = HtmlElementKind::Display;

// A colspan or rowspan as Qt reads it (QString::toInt); one it would decode is taken as huge.
qsizetype span(QStringView value) {
    constexpr qsizetype huge = qsizetype(1) << 20;
    if (value.contains(u'&'))
        return huge;
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok ? qBound(1, n, int(huge)) : 1;
}

class ShapeReader {
public:
    explicit ShapeReader(QStringView html)
        : m_html(html) {}

    HtmlShape read(qsizetype offset);

private:
    // What an element passes on to all inside it.
    struct Inherited {
        bool keepsLineBreaks = false; // line breaks in text begin paragraphs
        qsizetype formattingText = 0; // characters of text-valued formatting in effect
    };
    // An element open in Qt's tree, from the top down to the one new content goes into.
    struct Open {
        QString tag;
        Role role;
        bool hidden;
        Inherited inherited;
        int nearestBlock; // in m_open, itself included; -1 for none
        int table = -1;   // a table's or a row's, in m_tables
        qsizetype width = 0;
        qsizetype blocksAtOpen = 0; // a list's
    };
    struct Table {
        qsizetype rows = 0;
        qsizetype columns = 0;
        qsizetype spanned = 0; // columns that cells spanning rows take in the rows below
    };

    void startTag(const HtmlTagScanner::Token &token);
    void endTag(const QString &name);
    void text(qsizetype begin, qsizetype end);
    void push(const QString &tag, Role role, bool hidden, bool block, Inherited inherited);
    void closeTo(qsizetype size);
    void attributes(const HtmlTagScanner::Token &token, Role role, int parent,
                    Inherited &inherited);
    Inherited inheritedAt(int parent) const {
        return parent >= 0 ? m_open[parent].inherited : Inherited{};
    }
    bool isLineBreakEntity(qsizetype amp, bool keepsLineBreaks) const;

    QStringView m_html;
    HtmlShape m_shape;
    QList<Open> m_open;
    QHash<QString, QList<int>> m_openByTag;
    int m_openRows = 0;
    int m_openTables = 0;
    QList<Table> m_tables;
    qsizetype m_blocks = 0;
    double m_listWork = 0;
    QSet<QString> m_names;
    std::optional<Inherited> m_textContext; // for text after a tag without a name
};

HtmlShape ShapeReader::read(qsizetype offset) {
    HtmlTagScanner scanner(m_html);
    for (auto token = scanner.next(); token.kind != HtmlTagScanner::Kind::end;
         token = scanner.next()) {
        m_shape.encodedNames = m_shape.encodedNames || token.encoded;
        if (token.kind == HtmlTagScanner::Kind::text) {
            text(token.begin, token.end);
        } else if (token.kind == HtmlTagScanner::Kind::endTag) {
            m_textContext.reset();
            endTag(token.name);
        } else if ((token.name == u"script" || token.name == u"style") && !token.closed) {
            // Cut through its end tag as Qt reads that tag: Qt never sees the element.
            ++m_shape.elements;
            const qsizetype close =
                m_html.indexOf(QString(u"</"_s + token.name), token.end, Qt::CaseInsensitive);
            scanner.skipTo(close < 0 ? m_html.size() : close);
            const qsizetype end = close < 0 ? m_html.size() : scanner.next().end;
            m_shape.cuts.append({offset + token.begin, offset + end});
        } else if (token.kind == HtmlTagScanner::Kind::startTag) {
            startTag(token);
            if (token.name == u"img")
                m_shape.cuts.append({offset + token.begin, offset + token.end});
        }
    }
    closeTo(0);
    for (const Table &table : std::as_const(m_tables))
        m_shape.tableCells += table.rows * qMin(table.columns, qsizetype(1) << 31);
    m_shape.listLength = qsizetype(std::sqrt(m_listWork));
    m_shape.distinctNames = m_names.size();
    return std::move(m_shape);
}

// Qt's QTextHtmlParser::resolveParent, with the ancestors it climbs kept at hand.
void ShapeReader::startTag(const HtmlTagScanner::Token &token) {
    ++m_shape.elements;
    const HtmlElementKind kind = HtmlElementKind::of(token.name);
    int parent = int(m_open.size()) - 1;
    const Inherited context = inheritedAt(parent);
    if (token.name.isEmpty()) {
        // Qt keeps it as it keeps text: a child of the open element that takes the text after it.
        m_shape.depth = qMax(m_shape.depth, qsizetype(parent) + 2);
        Inherited own = context;
        attributes(token, kind.role, parent, own);
        m_shape.formattingText += own.formattingText;
        m_textContext = own;
        return;
    }
    m_textContext.reset();
    // The table and row Qt adds around a stray cell or row have no display of their own.
    if (kind.role == Role::td && m_openRows == 0) {
        push(QStringLiteral("table"), Role::table, false, false, context);
        push(QStringLiteral("tr"), Role::tr, false, false, context);
        parent = int(m_open.size()) - 1;
    } else if (kind.role == Role::tr && m_openTables == 0) {
        push(QStringLiteral("table"), Role::table, false, false, context);
        parent = int(m_open.size()) - 1;
    }
    if (kind.role == Role::p && parent >= 0) {
        const int block = m_open[parent].nearestBlock;
        if (block >= 0 && m_open[block].role == Role::p)
            parent = block;
    }
    if ((kind.role == Role::p || kind.role == Role::li) && parent >= 0 &&
        m_open[parent].role == kind.role)
        --parent;
    while (parent >= 0 && !HtmlElementKind::isAllowedIn(kind.role, m_open[parent].role))
        --parent;
    closeTo(parent + 1);
    m_shape.depth = qMax(m_shape.depth, qsizetype(parent) + 2);

    const bool hidden = kind.display == Display::hidden || (parent >= 0 && m_open[parent].hidden);
    if (!hidden && kind.display != Display::inline_)
        ++m_blocks;
    Inherited own = inheritedAt(parent);
    own.keepsLineBreaks = own.keepsLineBreaks || token.name == u"pre";
    attributes(token, kind.role, parent, own);
    m_shape.formattingText += own.formattingText;
    push(token.name, kind.role, hidden, kind.display == Display::block && !hidden, own);
    if (kind.empty || token.closed)
        closeTo(parent + 1); // nothing goes into it, yet an empty row is a row
}

// Text-valued formatting is inherited by all inside, and Qt hashes all of it each time it files
// a format: a link's target, a title (a tooltip), an image URL, a code block's language.
void ShapeReader::attributes(const HtmlTagScanner::Token &token, Role role, int parent,
                             Inherited &inherited) {
    qsizetype colspan = 1;
    bool spansRows = false;
    for (const HtmlTagScanner::Attribute &attribute : token.attributes) {
        const QStringView value = attribute.value;
        if (attribute.isKey(u"id") || (attribute.isKey(u"name") && token.name == u"a") ||
            (attribute.isKey(u"face") && token.name == u"font")) {
            m_names.insert(attribute.key.toString().toLower() + u'=' + value.toString());
        } else if (attribute.isKey(u"style")) {
            inherited.keepsLineBreaks = inherited.keepsLineBreaks || styleMayKeepLineBreaks(value);
            if (value.contains(u"font", Qt::CaseInsensitive) || value.contains(u'&') ||
                value.contains(u'\\'))
                m_names.insert(QStringLiteral("style=") + styleFontDeclarations(value));
            if (styleMayNameUrl(value))
                inherited.formattingText += value.size();
        } else if ((attribute.isKey(u"href") && token.name == u"a") || attribute.isKey(u"title") ||
                   attribute.isKey(u"background") ||
                   (attribute.isKey(u"class") && token.name == u"pre")) {
            inherited.formattingText += value.size();
        } else if (attribute.isKey(u"colspan")) {
            colspan = span(value);
        } else if (attribute.isKey(u"rowspan")) {
            spansRows = span(value) > 1;
        }
    }
    if ((role != Role::td && role != Role::th) || parent < 0 || m_open[parent].role != Role::tr)
        return;
    Open &row = m_open[parent];
    if (row.table < 0)
        return;
    Table &table = m_tables[row.table];
    row.width += colspan;
    table.columns = qMax(table.columns, row.width + table.spanned);
    if (spansRows)
        table.spanned += colspan;
}

void ShapeReader::push(const QString &tag, Role role, bool hidden, bool block,
                       Inherited inherited) {
    const int parent = int(m_open.size()) - 1;
    Open open{tag, role, hidden, inherited,
              block ? parent + 1 : (parent >= 0 ? m_open[parent].nearestBlock : -1)};
    switch (role) {
    case Role::table:
        open.table = int(m_tables.size());
        m_tables.append(Table{});
        ++m_openTables;
        break;
    case Role::tr:
        // A row of the table it is in, directly or in a thead, tbody or tfoot.
        if (parent >= 0 && m_open[parent].role == Role::table)
            open.table = m_open[parent].table;
        else if (parent >= 1 && m_open[parent].role == Role::section &&
                 m_open[parent - 1].role == Role::table)
            open.table = m_open[parent - 1].table;
        if (open.table >= 0)
            ++m_tables[open.table].rows;
        ++m_openRows;
        break;
    case Role::list:
        open.blocksAtOpen = m_blocks;
        break;
    default:
        break;
    }
    m_openByTag[tag].append(int(m_open.size()));
    m_open.append(std::move(open));
}

void ShapeReader::closeTo(qsizetype size) {
    while (m_open.size() > size) {
        const Open &open = m_open.last();
        m_openByTag[open.tag].removeLast();
        if (open.role == Role::table)
            --m_openTables;
        else if (open.role == Role::tr)
            --m_openRows;
        else if (open.role == Role::list)
            m_listWork += double(m_blocks - open.blocksAtOpen) * (m_blocks - open.blocksAtOpen);
        m_open.removeLast();
    }
}

// Qt closes the nearest open element of that name and all inside it; without one it ignores
// the tag, after looking all the way up. (An empty name matches nothing that is open.)
void ShapeReader::endTag(const QString &name) {
    const auto found = m_openByTag.constFind(name);
    if (name.isEmpty() || found == m_openByTag.constEnd() || found->isEmpty()) {
        ++m_shape.unmatchedEndTags;
        return;
    }
    closeTo(found->last());
}

// Paragraph and frame separators always begin a paragraph; line breaks only where white
// space is kept (<pre>, or a style attribute that may say so).
void ShapeReader::text(qsizetype begin, qsizetype end) {
    const Inherited context = m_textContext.value_or(inheritedAt(int(m_open.size()) - 1));
    const bool keeps = context.keepsLineBreaks;
    qsizetype breaks = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = m_html[i].unicode();
        if (c == 0x2029 || c == 0xFDD0 || c == 0xFDD1 || (keeps && (c == u'\n' || c == u'\r')) ||
            (c == u'&' && isLineBreakEntity(i, keeps)))
            ++breaks;
    }
    m_shape.elements += breaks;
    m_shape.formattingText += breaks * context.formattingText;
    m_blocks += breaks;
}

// A numeric entity for one of those characters, read as Qt reads entities: up to ';' within
// nine characters, or to the end of the text.
bool ShapeReader::isLineBreakEntity(qsizetype amp, bool keepsLineBreaks) const {
    qsizetype end = amp + 1;
    for (; end < m_html.size() && m_html[end] != u';'; ++end) {
        if (m_html[end].isSpace() || end - amp > 9)
            return false;
    }
    if (end < m_html.size() && end - amp > 9)
        return false;
    QStringView entity = m_html.sliced(amp + 1, end - amp - 1);
    if (!entity.startsWith(u'#'))
        return false;
    entity = entity.sliced(1);
    const bool hex = entity.startsWith(u'x', Qt::CaseInsensitive);
    bool ok = false;
    const uint c = (hex ? entity.sliced(1) : entity).toUInt(&ok, hex ? 16 : 10);
    return ok && (c == 0x2029 || c == 0xFDD0 || c == 0xFDD1 ||
                  (keepsLineBreaks && (c == u'\n' || c == u'\r')));
}

} // namespace

HtmlShape measureHtml(QStringView html) {
    // Qt's importer reads only the fragment when the text marks one.
    qsizetype begin = html.indexOf(u"<!--StartFragment-->");
    qsizetype size = html.size();
    if (begin >= 0) {
        const qsizetype end = html.indexOf(u"<!--EndFragment-->");
        size = (begin < end ? end : html.size()) - begin;
    } else {
        begin = 0;
    }
    return ShapeReader(html.sliced(begin, size)).read(begin);
}

QString withCutsMade(const QString &html, const HtmlShape &shape) {
    if (shape.cuts.isEmpty())
        return html;
    QString out;
    out.reserve(html.size());
    qsizetype from = 0;
    for (const auto &[begin, end] : shape.cuts) {
        out += QStringView(html).sliced(from, begin - from);
        from = end;
    }
    out += QStringView(html).sliced(from);
    return out;
}
