#include "history/formats/RtfReader.h"

#include "RichTextInspection.h"
#include "RichTextTestData.h"

#include <QColor>
#include <QRegularExpression>
#include <QTextCharFormat>

#include <gtest/gtest.h>

#include <functional>

namespace {

std::unique_ptr<QTextDocument> read(const QByteArray &rtf) {
    return documentFromRtf(rtf);
}

QString textOf(const QByteArray &rtf) {
    const auto document = read(rtf);
    return document ? rawText(*document) : QStringLiteral("<null>");
}

} // namespace

// Bytes that are not RTF give no styled text, so capture falls back to the plain text.
TEST(RtfReader, RejectsWhatIsNotRtf) {
    for (const QByteArray &bytes :
         {QByteArray(), QByteArray("plain words"), QByteArray("<p>html</p>"),
          QByteArray("{\\rtx1 x}"), QByteArray("\xef\xbb\xbf{\\rtf1 x}")}) {
        EXPECT_EQ(read(bytes), nullptr) << bytes.toStdString();
    }
    EXPECT_EQ(textOf(" \r\n\t{\\rtf1 leading space}"), QStringLiteral("leading space"));
}

// Character formatting survives: weight, slant, lines, size in half points, colours, raised text;
// groups restore what they changed and \plain resets. (The words our writer uses come back through
// RtfWriterTest's round trips.)
TEST(RtfReader, ReadsCharacterFormatting) {
    const QByteArray rtf =
        "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}"
        "{\\uldb double}{\\ul\\ulnone none}{\\fs40 big}{\\cf1 red}{\\sub down}{\\up6 raised}"
        "{\\dn4 lowered}{\\b\\i {\\b0 inner} outer}{\\b\\plain reset}\\b ON\\b0  OFF}";
    const auto doc = read(rtf);
    ASSERT_TRUE(doc);
    const std::pair<const char *, std::function<bool(const QTextCharFormat &)>> checks[] = {
        {"double", [](const auto &f) { return f.fontUnderline(); }},
        {"none", [](const auto &f) { return !f.fontUnderline(); }},
        {"big", [](const auto &f) { return f.fontPointSize() == 20; }},
        {"red", [](const auto &f) { return f.foreground().color() == QColor(Qt::red); }},
        {"down", [](const auto &f) { return f.verticalAlignment() == f.AlignSubScript; }},
        {"raised", [](const auto &f) { return f.verticalAlignment() == f.AlignSuperScript; }},
        {"lowered", [](const auto &f) { return f.verticalAlignment() == f.AlignSubScript; }},
        {"inner", [](const auto &f) { return f.fontWeight() == QFont::Normal && f.fontItalic(); }},
        {"outer", [](const auto &f) { return f.fontWeight() == QFont::Bold && f.fontItalic(); }},
        {"reset", [](const auto &f) { return f.fontWeight() == QFont::Normal; }},
        {"ON", [](const auto &f) { return f.fontWeight() == QFont::Bold && !f.fontItalic(); }},
        {"OFF",
         [](const auto &f) { return f.fontWeight() == QFont::Normal && f.fontPointSize() == 12; }},
    };
    for (const auto &[word, check] : checks)
        EXPECT_TRUE(check(formatOf(*doc, QString::fromLatin1(word)))) << word;
}

// Paragraphs, line breaks, tabs and the special characters RTF names read as text; control
// words that mean nothing here are ignored.
TEST(RtfReader, ReadsStructureAndSymbols) {
    EXPECT_EQ(textOf("{\\rtf1 one\\par two\\line three\\tab four\\par}"),
              QStringLiteral(u"one\ntwo\u2028three\tfour\n"));
    EXPECT_EQ(textOf("{\\rtf1 a\\~b\\-c\\_d \\{\\}\\\\ \\emdash\\endash\\bullet"
                     "\\lquote\\rquote\\ldblquote\\rdblquote\\madeupword7 e}"),
              QStringLiteral(u"a\u00A0b\u00ADc\u2011d {}\\ —–•‘’“”e"));
    EXPECT_EQ(textOf("{\\rtf1 line\r\nbreaks\r\nare not text\\\nbut this is}"),
              QStringLiteral("linebreaksare not text\nbut this is"));
    // Table cells become paragraphs of their own, as the office suites' plain text has them.
    EXPECT_EQ(textOf("{\\rtf1\\trowd\\cellx100\\cellx200 a\\cell b\\cell\\row after}"),
              QStringLiteral("a\nb\nafter"));
}

// Unicode escapes: negative values, surrogate pairs, and the fallback characters after them
// (whose number \ucN sets) are dropped, whether bytes, escapes or control words.
TEST(RtfReader, ReadsUnicodeEscapes) {
    const struct {
        QByteArray rtf;
        QString text;
    } cases[] = {
        {"{\\rtf1 \\u945?\\u946?}", QStringLiteral(u"αβ")},
        {"{\\rtf1 \\u-10179?\\u-8704?}", QStringLiteral(u"😀")},
        {"{\\rtf1 \\u55357?\\u56832?}", QStringLiteral(u"😀")},
        {"{\\rtf1 \\u8364\\'80 euro}", QStringLiteral(u"€ euro")},
        {"{\\rtf1\\uc2 \\u8364\\'80\\'80!}", QStringLiteral(u"€!")},
        {"{\\rtf1\\uc2 \\u8364\\emdash xy}", QStringLiteral(u"€y")},
        {"{\\rtf1\\uc0 \\u8364 x}", QStringLiteral(u"€x")},
        {"{\\rtf1 {\\uc3 \\u945?}\\u946?b}", QStringLiteral(u"αβb")},
        {"{\\rtf1 \\u-10179?x}", QStringLiteral(u"\uFFFDx")}, // a lone half of a pair
        {"{\\rtf1 \\u99999 \\u-99999 ok}", QStringLiteral(u"ok")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(textOf(c.rtf), c.text) << c.rtf.toStdString();
}

// \'hh bytes are read in the document's code page or in that of the current font's charset.
TEST(RtfReader, ReadsCodePageBytes) {
    const struct {
        QByteArray rtf;
        QString text;
    } cases[] = {
        {"{\\rtf1\\ansi \\'e9\\'80\\'93}", QStringLiteral(u"é€“")},
        {"{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'e1}", QStringLiteral(u"Аб")},
        {"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset161 Greek;}}\\f0 \\'e1\\f1 \\'e1}",
         QStringLiteral(u"áα")},
        {"{\\rtf1\\ansi\\ansicpg932 \\'83\\'41}", QStringLiteral(u"ア")},
        {"{\\rtf1\\mac \\'8e}", QStringLiteral(u"é")},
        {"{\\rtf1\\ansi\\ansicpg99999 \\'e9}", QStringLiteral(u"é")}, // unknown: windows-1252
    };
    for (const auto &c : cases)
        EXPECT_EQ(textOf(c.rtf), c.text) << c.rtf.toStdString();
}

// HYPERLINK fields become links on their visible text; other fields, and javascript: links, leave
// only their text.
TEST(RtfReader, TurnsHyperlinkFieldsIntoLinks) {
    auto doc = read(richTextData("minimal-hyperlink-field.rtf"));
    ASSERT_TRUE(doc);
    EXPECT_EQ(linksOf(*doc),
              (QList<QPair<QString, QString>>{
                  {QStringLiteral("the report"), QStringLiteral("https://example.org/report")}}));
    EXPECT_TRUE(formatOf(*doc, QStringLiteral("report")).fontUnderline());
    EXPECT_TRUE(doc->toHtml().contains(QStringLiteral("<a href=\"https://example.org/report\">")));

    doc = read("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \\\\l \"top\"}{\\fldrslt up}} "
               "{\\field{\\*\\fldinst {PAGE}}{\\fldrslt 7}} "
               "{\\field{\\*\\fldinst HYPERLINK \"https://\\u960?.example/\\'e9\"}{\\fldrslt pi}} "
               "{\\field{\\*\\fldinst HYPERLINK \" JavaScript:alert(1)\"}{\\fldrslt js}}}");
    ASSERT_TRUE(doc);
    EXPECT_EQ(rawText(*doc), QStringLiteral("up 7 pi js"));
    EXPECT_FALSE(doc->toHtml().contains(QStringLiteral("javascript"), Qt::CaseInsensitive));
    EXPECT_EQ(linksOf(*doc), (QList<QPair<QString, QString>>{
                                 {QStringLiteral("up"), QStringLiteral("#top")},
                                 {QStringLiteral("pi"), QStringLiteral(u"https://π.example/é")}}));
}

// What is not text of the document (tables of fonts and styles, metadata, pictures, binary
// data, unknown \* destinations, hidden text) never shows up in it.
TEST(RtfReader, SkipsWhatIsNotText) {
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss{\\*\\panose 0}Arial;}}"
                           "{\\stylesheet{\\s1 Heading;}}{\\info{\\title T}{\\author A}}"
                           "{\\*\\generator Writer;}{\\header head}"
                           "a{\\pict\\pngblip 89504e47{\\*\\blipuid 00}}"
                           "b{\\pict\\bin4 }}{{}{{}}"
                           "c{\\object{\\objdata \\bin3 {{{}}"
                           "d{\\*\\madeup {x} y}{\\v hidden}e}";
    EXPECT_EQ(textOf(rtf), QStringLiteral("abcde"));
}

// Broken input still gives what can be read, without hanging or crashing, and nesting deeper
// than any real document is counted, never followed on a stack.
TEST(RtfReader, ToleratesBrokenInput) {
    const auto unbalanced = read(richTextData("unbalanced-braces.rtf"));
    ASSERT_TRUE(unbalanced);
    EXPECT_EQ(rawText(*unbalanced), QStringLiteral("bold text\n"));
    EXPECT_EQ(formatOf(*unbalanced, QStringLiteral("bold")).fontWeight(), QFont::Bold);

    EXPECT_EQ(textOf(richTextData("trailing-nul.rtf")), QStringLiteral("plain\n"));
    EXPECT_EQ(textOf("{\\rtf1 a}}} after the end"), QStringLiteral("a"));
    EXPECT_EQ(textOf("{\\rtf1 cut\\"), QStringLiteral("cut"));
    EXPECT_EQ(textOf("{\\rtf1 cut\\'4"), QStringLiteral("cut"));
    EXPECT_EQ(textOf("{\\rtf1 a\\bin999999999 xyz"), QStringLiteral("a"));
    EXPECT_EQ(textOf("{\\rtf1 a\\fs99999999999999 b\\u65 c}"), QStringLiteral("abA"));
    EXPECT_EQ(textOf("{\\rtf1 \\pict x}"), QStringLiteral("x")); // never skips the document

    const QByteArray bomb = "{\\rtf1\\b " + QByteArray(100000, '{') + "deep\\b0  plain" +
                            QByteArray(100000, '}') + " back}";
    const auto deep = read(bomb);
    ASSERT_TRUE(deep);
    EXPECT_EQ(rawText(*deep), QStringLiteral("deep plain back"));
    EXPECT_EQ(formatOf(*deep, QStringLiteral("back")).fontWeight(), QFont::Bold);
    EXPECT_EQ(textOf("{\\rtf1 " + QByteArray(100000, '{') + "x"), QStringLiteral("x"));
}

// Input larger than anyone copies is refused instead of being built into a document.
TEST(RtfReader, RefusesOversizedInput) {
    QByteArray huge = "{\\rtf1 ";
    huge.resize(64 * 1024 * 1024 + 1, 'x');
    EXPECT_EQ(read(huge), nullptr);
}

// What an office suite puts on the clipboard reads as the same text it offers as plain text,
// with its links and formatting.
TEST(RtfReader, ReadsOfficeSuiteCopies) {
    // The suite writes list markers as leading spaces and a bullet; ours are "bullet, tab".
    static const QRegularExpression marker(QStringLiteral(u"^\\s*([•◦]|\\d+\\.)\\s"),
                                           QRegularExpression::MultilineOption);
    const struct {
        const char *name;
        int links;
    } cases[] = {
        {"lo-rich-basic", 3},
        {"lo-i18n", 2},
        {"lo-links-hidden-docx", 7}, // six links out and one to the top of the page
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto doc = read(richTextData((std::string(c.name) + ".rtf").c_str()));
        ASSERT_TRUE(doc);
        QString expected = QString::fromUtf8(richTextData((std::string(c.name) + ".txt").c_str()));
        expected.remove(marker);
        EXPECT_EQ(rawText(*doc).remove(marker), expected);
        EXPECT_EQ(linksOf(*doc).size(), c.links);
    }

    const auto doc = read(richTextData("lo-rich-basic.rtf"));
    ASSERT_TRUE(doc);
    EXPECT_EQ(linksOf(*doc).first(),
              (QPair<QString, QString>(
                  QStringLiteral("the full report"),
                  QStringLiteral("https://example.org/reports/q3-field-notes.pdf"))));
    const QTextCharFormat title = formatOf(*doc, QStringLiteral("Quarterly"));
    EXPECT_EQ(title.fontWeight(), QFont::Bold);
    EXPECT_GT(title.fontPointSize(), 12);
    EXPECT_EQ(formatOf(*doc, QStringLiteral("north ridge")).fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatOf(*doc, QStringLiteral("eleven")).fontItalic());
}
