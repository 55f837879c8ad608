#include "history/formats/HtmlDecoding.h"
#include "RichTextTestData.h"
#include "history/formats/HtmlElementNames.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

const QString kSample = QStringLiteral(u"<p>Grüße, Ελληνικά 😀</p>");

QByteArray encoded(QStringConverter::Encoding encoding, const QString &text) {
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

} // namespace

// HTML offered with a byte-order mark is read in the encoding the mark names.
TEST(HtmlDecoding, FollowsTheByteOrderMark) {
    const QStringConverter::Encoding encodings[] = {
        QStringConverter::Utf8,    QStringConverter::Utf16LE, QStringConverter::Utf16BE,
        QStringConverter::Utf32LE, QStringConverter::Utf32BE,
    };
    for (const auto encoding : encodings) {
        SCOPED_TRACE(int(encoding));
        EXPECT_EQ(decodeHtml(encoded(encoding, kSample)), kSample);
    }
}

// The real UTF-16 payloads (with and without a mark) and the UTF-8 one with a mark all read as
// the same markup, with no mark left at the front.
TEST(HtmlDecoding, ReadsUtf16AndMarkedPayloads) {
    const QString expected = decodeHtml(richTextData("utf8-bom.html"));
    EXPECT_TRUE(expected.startsWith(QStringLiteral("<meta http-equiv=")));
    EXPECT_TRUE(expected.contains(QStringLiteral(">marker inventory</a>")));
    EXPECT_EQ(decodeHtml(richTextData("utf16le-bom.html")), expected);
    EXPECT_EQ(decodeHtml(richTextData("utf16le-no-bom.html")), expected);
}

// Without a mark, a legacy charset declared in <meta> decides; no declaration means UTF-8.
TEST(HtmlDecoding, FollowsTheMetaDeclaration) {
    EXPECT_EQ(decodeHtml(richTextData("charset-windows-1252.html")),
              QStringLiteral(u"<meta charset=\"windows-1252\"><p>Café “quoted” € price</p>"));

    const struct {
        QByteArray html;
        QString text;
    } cases[] = {
        {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-7\">\xe1\xe2",
         QStringLiteral(u"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
                        u"charset=ISO-8859-7\">αβ")},
        {"<meta charset='latin1'>\x80", QStringLiteral(u"<meta charset='latin1'>€")},
        // A UTF-16 declaration inside bytes that read as ASCII cannot be right.
        {"<meta charset=utf-16><p>\xc3\xa9", QStringLiteral(u"<meta charset=utf-16><p>é")},
        {"<p>\xc3\xa9</p>", QStringLiteral(u"<p>é</p>")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.html.toStdString());
        EXPECT_EQ(decodeHtml(c.html), c.text);
    }
}

// A trailing NUL, as one office suite sends, is not part of the markup; other bytes are kept.
TEST(HtmlDecoding, DropsTrailingNul) {
    EXPECT_EQ(decodeHtml(QByteArray("<b>x</b>\0", 9)), QStringLiteral("<b>x</b>"));
    EXPECT_EQ(decodeHtml(encoded(QStringConverter::Utf16LE, QStringLiteral("<b>x</b>")) +
                         QByteArray(2, '\0')),
              QStringLiteral("<b>x</b>"));
    EXPECT_EQ(decodeHtml(QByteArray("<b>\xff</b>")), QStringLiteral(u"<b>\uFFFD</b>"));
    EXPECT_EQ(decodeHtml(QByteArray()), QString());
}

// The clipboard envelope of another desktop is unwrapped to the HTML its offsets point at.
TEST(HtmlDecoding, UnwrapsClipboardEnvelope) {
    const QString html = decodeHtml(richTextData("cf_html-envelope.html"));
    EXPECT_TRUE(html.startsWith(QStringLiteral("<html><body>"))) << html.toStdString();
    EXPECT_TRUE(html.endsWith(QStringLiteral("</body></html>"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral(">marker inventory</a>")));

    // Offsets that point nowhere still lose the header, not the markup.
    EXPECT_EQ(decodeHtml("Version:0.9\r\nStartHTML:0000099999\r\n<p>x</p>"),
              QStringLiteral("<p>x</p>"));
}

namespace {

// Element names are dropped from copied HTML before it is parsed, and nothing else changes:
// text, comments, scripts and attribute values that only look like names stay as they were.
TEST(HtmlElementNamesTest, DropsOnlyTheNamesOfElements) {
    const struct {
        const char *html, *expected;
    } cases[] = {
        {R"(<h3 id="s0">Title</h3>)", "<h3>Title</h3>"},
        {R"(<a name=top ID='x' href="#top">up</a>)", R"(<a href="#top">up</a>)"},
        {R"(<p title="a > id=b" id = "c" class=d>t</p>)", R"(<p title="a > id=b" class=d>t</p>)"},
        {R"(<img id=i src=x.png />)", R"(<img src=x.png />)"},
        {R"(<p>say id="x" or <b>name=y</b></p>)", R"(<p>say id="x" or <b>name=y</b></p>)"},
        {R"(<!-- <p id="c"> --><p>x</p>)", R"(<!-- <p id="c"> --><p>x</p>)"},
        {R"(<script>if (a<b id="s") {}</script><i id=z>)",
         R"(<script>if (a<b id="s") {}</script><i>)"},
        {R"(<style>#s0 { color: red }</style><h3 id="s0">x</h3>)",
         R"(<style>#s0 { color: red }</style><h3>x</h3>)"},
        {R"(<p id="unterminated)", "<p"},
        {"a < b, 3<4", "a < b, 3<4"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(withoutElementNames(QString::fromUtf8(c.html)).toStdString(), c.expected);
}

} // namespace
