#include "history/formats/HtmlShape.h"

#include <gtest/gtest.h>

namespace {

QString times(int n, const char *markup) {
    return QString::fromUtf8(markup).repeated(n);
}

// Each measure as Qt's reader would build the tree: nesting it makes past its own implicit
// closes, none where it closes or moves elements itself, nothing inside comments, scripts and
// styles, and tags only Qt takes for tags (quoted names, a '<' before a space).
TEST(HtmlShape, MeasuresTheTreeQtBuilds) {
    const struct {
        QString html;
        qsizetype HtmlShape::*measure;
        qsizetype expected;
    } cases[] = {
        {times(300, "<b>") + u'x', &HtmlShape::depth, 300},
        {times(1000, "<p>x</p>"), &HtmlShape::depth, 1},
        {times(1000, "<p>x</p>"), &HtmlShape::elements, 1000},
        // Qt closes an <li> only at another <li>, not inside a <p>.
        {QStringLiteral("<ul>") + times(500, "<li><p>x"), &HtmlShape::depth, 1001},
        {QStringLiteral("<p>") + times(200, "<b>x<p>"), &HtmlShape::depth, 2},
        {times(200, "<table><tr><td>x</td></tr></table>"), &HtmlShape::depth, 3},
        {times(200, "<dt>x<dd>y"), &HtmlShape::depth, 1},
        // A second <li> closes the first, so the first </li> closes it and the next is stray.
        {times(3, "<li><li></li><b><b><b><b><b></li>"), &HtmlShape::depth, 15},
        {times(3, "<li><li></li><b><b><b><b><b></li>"), &HtmlShape::unmatchedEndTags, 3},
        {QStringLiteral("<td>x"), &HtmlShape::depth, 3},
        {times(50, "< b><\"i\"><span/>"), &HtmlShape::depth, 101},
        {QStringLiteral("<!--") + times(500, "<b>") + QStringLiteral("-->x<!x<b>>"),
         &HtmlShape::elements, 0},
        {QStringLiteral("<script>if (a<b) c<d;") + times(500, "<b>") +
             QStringLiteral("</script><style>a<b{}</style>x"),
         &HtmlShape::elements, 2},
        {QStringLiteral("<b>x") + times(10, "</i>") + QStringLiteral("</b></b>"),
         &HtmlShape::unmatchedEndTags, 11},
        {QStringLiteral("<ol>") + times(100, "<li>x") + QStringLiteral("</ol><ul><li>y</ul>"),
         &HtmlShape::listLength, 100},
        {QStringLiteral("<pre>") + times(50, "a\n") +
             QStringLiteral(u"</pre>\n\n<p>&#10;&#x2029;\u2029"),
         &HtmlShape::elements, 54},
        {QStringLiteral("<table><tr><td colspan=50>x<tr><td>y<tbody><tr><td>z</table>"),
         &HtmlShape::tableCells, 150},
        {QStringLiteral("<a href=0123456789><b>x</b><i title=abcde>y</i></a><p>z"),
         &HtmlShape::formattingText, 35},
        {QStringLiteral("<b id=a><b ID=a><i id=b><a name=c><font face=d>"
                        "<span style=\"font-family:e\">"),
         &HtmlShape::distinctNames, 5},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.html.left(60).toStdString());
        EXPECT_EQ(measureHtml(c.html).*c.measure, c.expected);
    }
    EXPECT_TRUE(measureHtml(QStringLiteral("<&#98;>x")).encodedNames);
}

// Qt reads only the marked fragment when there is one, so only the fragment is measured.
TEST(HtmlShape, MeasuresOnlyTheMarkedFragment) {
    const QString html = times(400, "<b>") +
                         QStringLiteral("<!--StartFragment--><i>x<!--EndFragment-->") +
                         times(400, "<b>");
    EXPECT_EQ(measureHtml(html).depth, 1);
}

// Script and style elements and images are cut, and the rest of the markup is left as it was.
TEST(HtmlShape, CutsScriptsStylesAndImages) {
    const QString html = QStringLiteral("<p>a<script>x<b>y</script >b<STYLE>p{}</style>c"
                                        "<img src=i.png alt='<b>'>d<style/>e<script>unclosed");
    EXPECT_EQ(withCutsMade(html, measureHtml(html)), QStringLiteral("<p>abcd<style/>e"));
}

} // namespace
