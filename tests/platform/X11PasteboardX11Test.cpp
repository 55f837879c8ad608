#include "platform/x11/X11Pasteboard.h"
#include "support/FakePasteboard.h"

#include "support/ClipboardClients.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdio>

using namespace tqtest;

// Started again as another application's clipboard owner, this binary serves and never returns.
[[maybe_unused]] const bool g_servesClipboard = serveClipboardIfAsked();

namespace {

QByteArray testData(const char *name) {
    QFile file(QStringLiteral(TQ_TEST_DATA_DIR "/clipboard/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// What each read of the pasteboard gives; nothing where a field is left empty.
struct Reads {
    std::optional<QString> string{};
    std::optional<QByteArray> rtf{};
    std::optional<QByteArray> html{};
    std::optional<PasteboardImage> image{};
    bool concealed = false;
};

Reads readAll(PasteboardContents &contents) {
    Reads reads;
    reads.concealed = contents.isConcealed();
    reads.string = contents.string(tqtest::kAnySize).value;
    reads.rtf = contents.rtfData(tqtest::kAnySize).value;
    reads.html = contents.htmlData(tqtest::kAnySize).value;
    reads.image = contents.image(tqtest::kAnySize).value;
    return reads;
}

void expectReads(const Reads &actual, const Reads &expected) {
    EXPECT_EQ(actual.string, expected.string);
    EXPECT_EQ(actual.rtf, expected.rtf);
    EXPECT_EQ(actual.html, expected.html);
    ASSERT_EQ(actual.image.has_value(), expected.image.has_value());
    if (expected.image) {
        EXPECT_EQ(actual.image->mimeType, expected.image->mimeType);
        EXPECT_TRUE(actual.image->data == expected.image->data) << "image bytes differ";
    }
    EXPECT_EQ(actual.concealed, expected.concealed);
}

class X11PasteboardTest : public ::testing::Test {
protected:
    X11Pasteboard pasteboard;
};

// --- change count --------------------------------------------------------------------------

// A write of ours is one change, so the history never records its own paste.
TEST_F(X11PasteboardTest, OurWriteIsExactlyOneChange) {
    const qint64 before = pasteboard.changeCount();
    pasteboard.setContents(
        {.string = QStringLiteral("one write"), .rtf = QByteArrayLiteral("{\\rtf1 x}")});
    EXPECT_EQ(pasteboard.changeCount(), before + 1);

    // Whatever the server reports about our own ownership has been handled after this...
    ASSERT_TRUE(waitForQtToCatchUp());
    // ...and after another client has fetched it.
    EXPECT_EQ(xclipRead("UTF8_STRING"), QByteArrayLiteral("one write"));
    EXPECT_EQ(pasteboard.changeCount(), before + 1);

    pasteboard.setContents({.string = QStringLiteral("second write")});
    ASSERT_TRUE(waitForQtToCatchUp());
    EXPECT_EQ(pasteboard.changeCount(), before + 2);
}

// A copy in another application is noticed, also right after a write of ours; merely
// selecting text (the PRIMARY selection) is not a copy.
TEST_F(X11PasteboardTest, ForeignCopiesMoveTheCount) {
    qint64 before = pasteboard.changeCount();
    {
        XclipOwner selection("UTF8_STRING", "only selected", "PRIMARY");
        ASSERT_TRUE(selection.owns());
        ASSERT_TRUE(waitForQtToCatchUp());
        EXPECT_EQ(pasteboard.changeCount(), before);
    }
    before = pasteboard.changeCount();
    {
        XclipOwner xclip("UTF8_STRING", "from elsewhere");
        ASSERT_TRUE(xclip.owns());
        EXPECT_TRUE(waitUntil([&] { return pasteboard.changeCount() > before; }));
        EXPECT_EQ(pasteboard.contents()->string(tqtest::kAnySize).value,
                  QStringLiteral("from elsewhere"));
    }

    pasteboard.setContents({.string = QStringLiteral("ours")});
    before = pasteboard.changeCount();
    XclipOwner xclip("UTF8_STRING", "copied right after");
    ASSERT_TRUE(xclip.owns());
    EXPECT_TRUE(waitUntil([&] { return pasteboard.changeCount() > before; }));
    EXPECT_EQ(pasteboard.contents()->string(tqtest::kAnySize).value,
              QStringLiteral("copied right after"));
}

// A copy made inside this program (a text field of its own windows) is a change like any other.
TEST_F(X11PasteboardTest, CopyInsideThisProgramIsReadWithoutAskingTheServer) {
    const qint64 before = pasteboard.changeCount();
    QGuiApplication::clipboard()->setText(QStringLiteral("from a line edit"));
    EXPECT_EQ(pasteboard.changeCount(), before + 1);
    EXPECT_EQ(pasteboard.contents()->string(tqtest::kAnySize).value,
              QStringLiteral("from a line edit"));
}

// --- our writes, as other applications see them -------------------------------------------

// What we put back on the clipboard pastes unchanged in other applications.
TEST_F(X11PasteboardTest, OurWriteIsServedByteForByte) {
    // Another client owns the clipboard first: taking it over from there must work too.
    const qint64 before = pasteboard.changeCount();
    auto xclip = std::make_unique<XclipOwner>("UTF8_STRING", "earlier");
    ASSERT_TRUE(xclip->owns());
    ASSERT_TRUE(waitUntil([&] { return pasteboard.changeCount() > before; }));

    const QString text = QStringLiteral("  Grüße, 世界 — two spaces kept  ");
    const QByteArray rtf = testData("writer-i18n.rtf");
    const QByteArray html = QByteArrayLiteral("<b>Grüße</b>");
    pasteboard.setContents({.string = text, .rtf = rtf, .html = html});
    xclip.reset();

    EXPECT_EQ(xclipRead("UTF8_STRING"), text.toUtf8());
    EXPECT_EQ(xclipRead("text/plain;charset=utf-8"), text.toUtf8());
    EXPECT_EQ(xclipRead("text/plain"), text.toUtf8());
    EXPECT_TRUE(xclipRead("text/rtf") == rtf);
    EXPECT_EQ(xclipRead("text/html"), html);

    const QByteArray png = testData("palette-16x16.png");
    pasteboard.setContents({.png = png});
    EXPECT_TRUE(xclipRead("image/png") == png);
    const QByteArrayList targets = xclipRead("TARGETS").value_or(QByteArray()).split('\n');
    EXPECT_TRUE(targets.contains("image/png"));
    EXPECT_FALSE(targets.contains("UTF8_STRING")) << "the text of the earlier write is gone";
}

// --- reads of what one other application offers ---------------------------------------------

struct SingleTargetCase {
    const char *name;
    QByteArray target;
    QByteArray bytes;
    Reads expected;
};

class X11PasteboardSingleTarget : public X11PasteboardTest,
                                  public ::testing::WithParamInterface<SingleTargetCase> {};

// A copy offered under one target, as xclip makes it, reads back as that flavour, untouched.
TEST_P(X11PasteboardSingleTarget, ReadsWhatXclipOffers) {
    const SingleTargetCase &copy = GetParam();
    const qint64 before = pasteboard.changeCount();
    XclipOwner xclip(copy.target, copy.bytes);
    ASSERT_TRUE(xclip.owns());
    ASSERT_TRUE(waitUntil([&] { return pasteboard.changeCount() > before; }));
    expectReads(readAll(*pasteboard.contents()), copy.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Flavours, X11PasteboardSingleTarget,
    ::testing::Values(
        SingleTargetCase{
            "utf8_text", "UTF8_STRING", testData("browser-i18n-utf8_string.txt"),
            Reads{.string = QString::fromUtf8(testData("browser-i18n-utf8_string.txt"))}},
        SingleTargetCase{"spaces_kept", "UTF8_STRING", "  word  \n",
                         Reads{.string = QStringLiteral("  word  \n")}},
        SingleTargetCase{
            "png", "image/png", testData("palette-16x16.png"),
            Reads{.image = PasteboardImage{testData("palette-16x16.png"), "image/png"}}},
        SingleTargetCase{
            "jpeg", "image/jpeg", testData("jfif-16x16.jpg"),
            Reads{.image = PasteboardImage{testData("jfif-16x16.jpg"), "image/jpeg"}}}),
    [](const auto &info) { return std::string(info.param.name); });

struct OfferCase {
    const char *name;
    OwnerScript offer;
    Reads expected;
};

class X11PasteboardOffers : public X11PasteboardTest,
                            public ::testing::WithParamInterface<OfferCase> {};

// A copy offered under many targets at once, as real applications make it, reads from the
// faithful targets and keeps every flavour's bytes as offered.
TEST_P(X11PasteboardOffers, ReadsTheBestTargets) {
    const OfferCase &copy = GetParam();
    const qint64 before = pasteboard.changeCount();
    ScriptedOwner owner(copy.offer);
    ASSERT_TRUE(owner.owns());
    ASSERT_TRUE(waitUntil([&] { return pasteboard.changeCount() > before; }));
    expectReads(readAll(*pasteboard.contents()), copy.expected);
}

OwnerScript offering(QList<QPair<QByteArray, QByteArray>> targets, QByteArrayList refused = {}) {
    return OwnerScript{OwnerBehaviour::Answers, std::move(targets), std::move(refused), 0};
}

INSTANTIATE_TEST_SUITE_P(
    Applications, X11PasteboardOffers,
    ::testing::Values(
        // An office suite: no bare text/plain, Latin-1 STRING with '?', RTF and HTML ending
        // in a NUL byte.
        OfferCase{"office_rich_text",
                  offering({{"text/plain;charset=utf-8", testData("writer-i18n-utf8_string.txt")},
                            {"UTF8_STRING", testData("writer-i18n-utf8_string.txt")},
                            {"STRING", testData("writer-i18n-string.txt")},
                            {"text/rtf", testData("writer-i18n.rtf")},
                            {"text/richtext", "{\\rtf1 other}"},
                            {"text/html", testData("writer-i18n.html")}}),
                  Reads{.string = QString::fromUtf8(testData("writer-i18n-utf8_string.txt")),
                        .rtf = testData("writer-i18n.rtf"),
                        .html = testData("writer-i18n.html")}},
        // A browser whose text/plain escapes non-ASCII and whose STRING is Latin-1.
        OfferCase{"browser_escaped_plain_text",
                  offering({{"text/html", "<p>caf\xc3\xa9 \xe2\x82\xac</p>"},
                            {"text/plain", "caf\\u00e9 \\u20ac\r\n"},
                            {"STRING", "caf\xe9 \\u20ac"},
                            {"UTF8_STRING", "caf\xc3\xa9 \xe2\x82\xac"}}),
                  Reads{.string = QStringLiteral("café €"),
                        .html = QByteArrayLiteral("<p>caf\xc3\xa9 \xe2\x82\xac</p>")}},
        OfferCase{
            "browser_html_utf16",
            offering({{"UTF8_STRING", "Example link"},
                      {"text/html", testData("utf16le-bom.html")}}),
            Reads{.string = QStringLiteral("Example link"), .html = testData("utf16le-bom.html")}},
        OfferCase{"only_utf8_plain_text", offering({{"text/plain;charset=utf-8", "na\xc3\xafve"}}),
                  Reads{.string = QStringLiteral("naïve")}},
        OfferCase{"only_latin1_string", offering({{"STRING", "caf\xe9"}}),
                  Reads{.string = QStringLiteral("café")}},
        OfferCase{"utf8_in_string", offering({{"STRING", "caf\xc3\xa9"}}),
                  Reads{.string = QStringLiteral("café")}},
        OfferCase{"richtext_only", offering({{"text/richtext", "{\\rtf1 r}"}}),
                  Reads{.rtf = QByteArrayLiteral("{\\rtf1 r}")}},
        OfferCase{"application_rtf_only", offering({{"application/rtf", "{\\rtf1 a}"}}),
                  Reads{.rtf = QByteArrayLiteral("{\\rtf1 a}")}},
        // Advertised image targets are no promise: one refused, one empty.
        OfferCase{"image_refused_and_empty",
                  offering({{"image/jpeg", ""}, {"image/bmp", testData("palette-16x16.bmp")}},
                           {"image/png"}),
                  Reads{.image = PasteboardImage{testData("palette-16x16.bmp"), "image/bmp"}}},
        OfferCase{"image_preference",
                  offering({{"image/tiff", "tiff"},
                            {"image/x-icon", "ico"},
                            {"image/bmp", testData("palette-16x16.bmp")},
                            {"image/jpeg", testData("jfif-16x16.jpg")}}),
                  Reads{.image = PasteboardImage{testData("jfif-16x16.jpg"), "image/jpeg"}}},
        OfferCase{"password_manager",
                  offering({{"UTF8_STRING", "hunter2"}, {"x-kde-passwordManagerHint", "secret"}}),
                  Reads{.string = QStringLiteral("hunter2"), .concealed = true}},
        OfferCase{"password_hint_other_value",
                  offering({{"UTF8_STRING", "hunter2"}, {"x-kde-passwordManagerHint", "public"}}),
                  Reads{.string = QStringLiteral("hunter2")}}),
    [](const auto &info) { return std::string(info.param.name); });

// --- large transfers ---------------------------------------------------------------------

// Big copies arrive whole, however many pieces the owner sends them in.
TEST_F(X11PasteboardTest, LargeCopiesArriveWhole) {
    QByteArray text;
    for (int line = 0; text.size() < 5 * 1024 * 1024; ++line)
        text += "line " + QByteArray::number(line) + " — ünïcödé filler to make it long\n";
    {
        const qint64 before = pasteboard.changeCount();
        XclipOwner xclip("UTF8_STRING", text);
        ASSERT_TRUE(xclip.owns());
        ASSERT_TRUE(waitUntil([&] { return pasteboard.changeCount() > before; }));
        const std::optional<QString> read = pasteboard.contents()->string(tqtest::kAnySize).value;
        ASSERT_TRUE(read.has_value());
        EXPECT_TRUE(read->toUtf8() == text) << "read " << read->size() << " characters";
    }

    const QByteArray html = text.replace('\n', "<br>\n");
    const qint64 before = pasteboard.changeCount();
    ScriptedOwner owner(OwnerScript{
        OwnerBehaviour::Answers, {{"UTF8_STRING", "x"}, {"text/html", html}}, {}, 64 * 1024});
    ASSERT_TRUE(owner.owns());
    ASSERT_TRUE(waitUntil([&] { return pasteboard.changeCount() > before; }));
    const std::optional<QByteArray> read = pasteboard.contents()->htmlData(tqtest::kAnySize).value;
    ASSERT_TRUE(read.has_value());
    EXPECT_TRUE(*read == html) << "read " << read->size() << " of " << html.size() << " bytes";
}

// --- owners that do not answer -------------------------------------------------------------

// An owner that never answers costs one short wait per copy, not a frozen program: once it has
// let one request go unanswered, nothing more of that copy is asked for, and nothing is read.
TEST_F(X11PasteboardTest, SilentOwnersAreAskedOnce) {
    for (const OwnerBehaviour behaviour :
         {OwnerBehaviour::Silent, OwnerBehaviour::ListsTargetsOnly}) {
        const qint64 before = pasteboard.changeCount();
        ScriptedOwner owner(OwnerScript{behaviour,
                                        {{"UTF8_STRING", "never sent"},
                                         {"text/html", QByteArray(256 * 1024, 'h')},
                                         {"image/png", testData("palette-16x16.png")},
                                         {"x-kde-passwordManagerHint", "secret"}},
                                        {},
                                        16 * 1024});
        ASSERT_TRUE(owner.owns());
        ASSERT_TRUE(waitUntil([&] { return pasteboard.changeCount() > before; }));
        const auto contents = pasteboard.contents();
        expectReads(readAll(*contents), Reads{});
        expectReads(readAll(*contents), Reads{});
        const QByteArrayList asked = owner.asked();
        EXPECT_EQ(asked.count("TARGETS"), 1) << asked.join(' ').constData();
        EXPECT_LE(asked.size(), 2) << asked.join(' ').constData();
    }
}

// A large transfer that stops halfway gives nothing rather than a truncated copy; one that keeps
// arriving, however slowly, arrives whole; one larger than asked for is refused with its size.
TEST_F(X11PasteboardTest, LargeTransfersEndWholeOrNotAtAll) {
    const QByteArray html(256 * 1024, 'h');
    for (const OwnerBehaviour behaviour : {OwnerBehaviour::StopsMidway, OwnerBehaviour::Trickles}) {
        const qint64 before = pasteboard.changeCount();
        ScriptedOwner owner(OwnerScript{behaviour, {{"text/html", html}}, {}, 64 * 1024});
        ASSERT_TRUE(owner.owns());
        ASSERT_TRUE(waitUntil([&] { return pasteboard.changeCount() > before; }));
        const auto contents = pasteboard.contents();
        const bool whole = behaviour == OwnerBehaviour::Trickles;
        EXPECT_EQ(contents->htmlData(tqtest::kAnySize).value,
                  whole ? std::optional(html) : std::nullopt);
        if (whole) {
            const Flavour<QByteArray> refused = pasteboard.contents()->htmlData(100'000);
            EXPECT_FALSE(refused.value);
            EXPECT_EQ(refused.oversize, html.size());
        }
    }
}

// Every flavour is asked of the owner at most once per copy.
TEST_F(X11PasteboardTest, AsksTheOwnerOncePerCopy) {
    const qint64 before = pasteboard.changeCount();
    ScriptedOwner owner(offering({{"UTF8_STRING", "once"}, {"text/html", "<i>once</i>"}}));
    ASSERT_TRUE(owner.owns());
    ASSERT_TRUE(waitUntil([&] { return pasteboard.changeCount() > before; }));
    const Reads expected{.string = QStringLiteral("once"),
                         .html = QByteArrayLiteral("<i>once</i>")};
    const auto contents = pasteboard.contents();
    expectReads(readAll(*contents), expected);
    expectReads(readAll(*contents), expected);
    EXPECT_EQ(owner.asked(), (QByteArrayList{"TARGETS", "UTF8_STRING", "text/html"}));
}

} // namespace
