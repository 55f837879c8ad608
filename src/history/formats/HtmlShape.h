#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

// What Qt's HTML reader (QTextDocument::setHtml) would build from a text, measured in one pass
// before it is given the text: once started, the reader cannot be stopped, and much of its work
// grows with the product or the square of these numbers. The tree is Qt's own, with the
// elements it closes or moves for itself (a second <li> or <p>, a <td> outside any <tr>):
// a count that ignores them can be led to miss nesting that Qt builds.
struct HtmlShape {
    // Start tags, and line breaks in text that each begin a paragraph.
    qsizetype elements = 0;
    // The deepest element: Qt walks up to the top for every element, twice.
    qsizetype depth = 0;
    // End tags Qt looks for all the way up and then ignores.
    qsizetype unmatchedEndTags = 0;
    // Paragraphs in lists, nested lists' counted in the lists around them too: each one joining
    // a list touches all that are already in it. Given as the length of the one list that would
    // cost as much as all of them, the root of the sum of their squared lengths.
    qsizetype listLength = 0;
    // Rows times columns, over all tables: a colspan widens every row of its table.
    qsizetype tableCells = 0;
    // Characters of text-valued formatting (link targets, titles, image URLs) over the elements
    // and paragraphs they reach: Qt hashes all of a format's text each time it files one.
    qsizetype formattingText = 0;
    // Distinct ids, anchor names and font families: Qt files every format holding a list under
    // one key, so each such format is compared with all others.
    qsizetype distinctNames = 0;
    // A tag name or attribute key holds an entity, which Qt decodes: the tree is not known.
    bool encodedNames = false;
    // What to cut before Qt reads the text, as [begin, end) ranges: script and style elements
    // (to their end tags; measured as if cut, but counted as elements) and image tags.
    QList<std::pair<qsizetype, qsizetype>> cuts;
};

// The shape of what Qt builds from html (only from its <!--StartFragment--> on, as Qt does).
HtmlShape measureHtml(QStringView html);

// The html with shape's cuts made; nothing cut shows in the document Qt makes. Qt reads script
// content as markup, where every '<' opens a tag. It goes through every style sheet, even an
// empty one, for every element and each of its ancestors, and matches every rule: a selector with
// a descendant or sibling part walks further up or along for each, and one rule can make a page
// that converts in milliseconds take minutes (formatting set on the elements themselves, by
// style attributes, stays). And it lays out the whole paragraph again for every image put in.
QString withCutsMade(const QString &html, const HtmlShape &shape);
