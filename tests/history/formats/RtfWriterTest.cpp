#include "history/formats/RtfWriter.h"
#include "history/formats/HtmlDecoding.h"
#include "history/formats/RtfReader.h"

#include "RichTextInspection.h"
#include "RichTextTestData.h"

#include <QColor>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <functional>

namespace {

std::unique_ptr<QTextDocument> roundTrip(const QTextDocument &document) {
    return documentFromRtf(rtfFromDocument(document));
}

// Braces that open and close groups, not counting escaped ones.
bool bracesBalance(const QByteArray &rtf) {
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\')
            ++i;
        else if (rtf[i] == '{')
            ++depth;
        else if (rtf[i] == '}' && --depth < 0)
            return false;
    }
    return depth == 0;
}

const QString kAwkwardText =
    QStringLiteral(u"Braces {and} back\\slashes\ttab\u2028line\u00A0nbsp soft\u00ADhyphen\n"
                   u"Ελληνικά 中文 עברית 😀 𝔘𝔫𝔦 \uE000 \uFFFD\n"
                   u"\n"
                   u"after an empty paragraph");

} // namespace

// The writer's output is a well-formed 7-bit RTF document whatever the text holds, and the text
// comes back exactly: escapes, tabs, breaks, non-Latin scripts, astral characters and empty
// paragraphs.
TEST(RtfWriter, KeepsTextThroughRoundTrip) {
    QTextDocument document;
    document.setPlainText(kAwkwardText);
    const QByteArray rtf = rtfFromDocument(document);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi"));
    EXPECT_TRUE(bracesBalance(rtf)) << rtf.toStdString();
    for (const char c : rtf)
        ASSERT_TRUE(c > 0 && c < 0x7F) << int(c);
    // Readers want \uN as a signed 16-bit number; U+1F600 is a pair of them.
    EXPECT_TRUE(rtf.contains("\\u-10179?\\u-8704?"));
    const auto back = documentFromRtf(rtf);
    ASSERT_TRUE(back);
    EXPECT_EQ(rawText(*back), kAwkwardText);

    // Pictures are not kept, and leave no stray character behind.
    QTextDocument picture;
    picture.setHtml(QStringLiteral("<p>a<img src=\"pic.png\">b</p>"));
    const auto pictureBack = roundTrip(picture);
    ASSERT_TRUE(pictureBack);
    EXPECT_EQ(rawText(*pictureBack), QStringLiteral("ab"));

    QTextDocument empty;
    const auto emptyBack = roundTrip(empty);
    ASSERT_TRUE(emptyBack);
    EXPECT_TRUE(rawText(*emptyBack).isEmpty());
}

// Formatting comes back: weight, slant, lines, size, colours, raised text and alignment.
TEST(RtfWriter, KeepsFormattingThroughRoundTrip) {
    const std::pair<const char *, std::function<void(QTextCharFormat &)>> styles[] = {
        {"bold", [](auto &f) { f.setFontWeight(QFont::Bold); }},
        {"italic", [](auto &f) { f.setFontItalic(true); }},
        {"under", [](auto &f) { f.setFontUnderline(true); }},
        {"struck", [](auto &f) { f.setFontStrikeOut(true); }},
        {"big", [](auto &f) { f.setFontPointSize(18); }},
        {"pixels", [](auto &f) { f.setProperty(QTextFormat::FontPixelSize, 32); }},
        {"red", [](auto &f) { f.setForeground(QColor(200, 10, 20)); }},
        {"marked", [](auto &f) { f.setBackground(QColor(255, 240, 0)); }},
        {"up", [](auto &f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); }},
        {"mono", [](auto &f) { f.setFontFamilies({QStringLiteral("Courier {New}")}); }},
    };
    QTextDocument document;
    QTextCursor cursor(&document);
    for (const auto &[word, apply] : styles) {
        QTextCharFormat format;
        apply(format);
        cursor.insertText(QString::fromLatin1(word), format);
        cursor.insertText(QStringLiteral(" "), QTextCharFormat());
    }
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.insertBlock(centred);
    cursor.insertText(QStringLiteral("centred"));

    auto back = roundTrip(document);
    ASSERT_TRUE(back);
    EXPECT_EQ(rawText(*back), rawText(document));
    EXPECT_EQ(formatOf(*back, QStringLiteral("bold")).fontWeight(), QFont::Bold);
    EXPECT_FALSE(formatOf(*back, QStringLiteral("bold")).fontItalic());
    EXPECT_TRUE(formatOf(*back, QStringLiteral("italic")).fontItalic());
    EXPECT_TRUE(formatOf(*back, QStringLiteral("under")).fontUnderline());
    EXPECT_TRUE(formatOf(*back, QStringLiteral("struck")).fontStrikeOut());
    EXPECT_EQ(formatOf(*back, QStringLiteral("big")).fontPointSize(), 18);
    EXPECT_EQ(formatOf(*back, QStringLiteral("pixels")).fontPointSize(), 24);
    EXPECT_EQ(formatOf(*back, QStringLiteral("red")).foreground().color(), QColor(200, 10, 20));
    EXPECT_EQ(formatOf(*back, QStringLiteral("marked")).background().color(), QColor(255, 240, 0));
    EXPECT_EQ(formatOf(*back, QStringLiteral("up")).verticalAlignment(),
              QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(formatOf(*back, QStringLiteral("mono")).fontFamilies().toStringList(),
              QStringList{QStringLiteral("Courier {New}")});
    EXPECT_FALSE(formatOf(*back, QStringLiteral("centred")).fontUnderline());
    EXPECT_EQ(back->lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
}

// Links come back as links with their targets, also targets with quotes, backslashes or
// non-ASCII characters, and neighbouring links stay apart.
TEST(RtfWriter, KeepsLinksThroughRoundTrip) {
    const std::pair<QString, QString> targets[] = {
        // as written, as it comes back
        {QStringLiteral("https://example.org/a?b=1&c=2#d"), {}},
        {QStringLiteral(u"https://例え.jp/パス?q=値"), {}},
        {QStringLiteral("https://example.org/{x}"), {}},
        {QStringLiteral("https://example.org/\"q\"\\"),
         QStringLiteral("https://example.org/%22q%22%5C")},
    };
    QTextDocument document;
    QTextCursor cursor(&document);
    QList<QPair<QString, QString>> expected;
    for (const auto &[target, comesBack] : targets) {
        QTextCharFormat link;
        link.setAnchor(true);
        link.setAnchorHref(target);
        const QString text = QStringLiteral("link %1").arg(expected.size());
        cursor.insertText(text, link);
        expected.append({text, comesBack.isEmpty() ? target : comesBack});
    }

    const auto back = roundTrip(document);
    ASSERT_TRUE(back);
    EXPECT_EQ(linksOf(*back), expected);
}

// A javascript: link leads nowhere once copied: the RTF keeps its text but not the link.
TEST(RtfWriter, DropsJavascriptLinks) {
    QTextDocument html;
    html.setHtml(QStringLiteral("<a href='javascript:run()'>run</a> <a href=' JavaScript:x'>x</a> "
                                "<a href='https://a.example/'>site</a>"));
    const QByteArray rtf = rtfFromDocument(html);
    EXPECT_FALSE(rtf.toLower().contains("javascript")) << rtf.toStdString();
    const auto back = documentFromRtf(rtf);
    ASSERT_TRUE(back);
    EXPECT_EQ(rawText(*back), QStringLiteral("run x site"));
    EXPECT_EQ(linksOf(*back), (QList<QPair<QString, QString>>{
                                  {QStringLiteral("site"), QStringLiteral("https://a.example/")}}));
}

// A page's long link target or list number prefix, in effect on every paragraph, is not written
// out again with each one: the RTF stays near the size of the page.
TEST(RtfWriter, WritesLongLinkTargetsAndPrefixesBoundedly) {
    const QString longText(200000, u'a');
    const QString pages[] = {
        QStringLiteral("<a href='https://a.example/%1'>").arg(longText) +
            QStringLiteral("<p>x").repeated(100),
        QStringLiteral("<ol style=\"-qt-list-number-prefix:'%1'\">").arg(longText) +
            QStringLiteral("<li>x").repeated(100),
    };
    for (const QString &page : pages) {
        QTextDocument document;
        document.setHtml(page);
        EXPECT_LT(rtfFromDocument(document).size(), 2 << 20);
    }
}

// A browser's copy converted HTML to RTF keeps its text, its three links and its emphasis,
// and list items keep a visible marker.
TEST(RtfWriter, ConvertsBrowserHtml) {
    QTextDocument html;
    html.setHtml(decodeHtml(richTextData("../chromium/selectall-rich-basic/text_html.html")));
    const auto back = roundTrip(html);
    ASSERT_TRUE(back);

    const QString text = rawText(*back);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Quarterly field notes\nSummary\n")));
    EXPECT_TRUE(text.contains(QStringLiteral(u"•\tWho owns the north ridge access road?\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("2.\tPrint the site sheets\n")));
    EXPECT_TRUE(text.contains(QStringLiteral(u"“Measure twice, walk once.” — the team motto")));
    EXPECT_EQ(
        linksOf(*back),
        (QList<QPair<QString, QString>>{
            {QStringLiteral("the full report"),
             QStringLiteral("https://example.org/reports/q3-field-notes.pdf")},
            {QStringLiteral("the survey desk"), QStringLiteral("mailto:survey-desk@example.net")},
            {QStringLiteral("marker inventory"),
             QStringLiteral("https://example.com/wiki/Marker_inventory?section=2#aluminium")},
        }));
    EXPECT_EQ(formatOf(*back, QStringLiteral("312 sites")).fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatOf(*back, QStringLiteral("eleven")).fontItalic());
    EXPECT_GT(formatOf(*back, QStringLiteral("Quarterly")).fontPointSize(),
              formatOf(*back, QStringLiteral("Summary")).fontPointSize());
}
