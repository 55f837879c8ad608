#include "platform/SystemLog.h"
#include "platform/x11/X11Pasteboard.h"
#include "support/FakePasteboard.h"

#include "support/ClipboardClients.h"
#include "support/TestEnvironment.h"

#include <QClipboard>
#include <QGuiApplication>

#include <gtest/gtest.h>

using namespace tqtest;

// Started again as another application's clipboard owner, this binary serves and never returns.
[[maybe_unused]] const bool g_servesClipboard = serveClipboardIfAsked();

namespace {

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

// --- change count ---------------------------------------------------------------------------

// Merely selecting text (the PRIMARY selection) is no copy. (Copies, owners quitting and clears
// are the pasteboard contract's, with and without XFIXES.)
TEST_F(X11PasteboardTest, SelectingIsNoCopy) {
    const qint64 before = pasteboard.changeCount();
    ScriptedOwner selection("UTF8_STRING", "only selected", "PRIMARY");
    ScriptedOwner copy("UTF8_STRING", "copied");
    ASSERT_TRUE(selection.owns() && copy.owns());
    ASSERT_TRUE(waitFor([&] { return pasteboard.changeCount() > before; }));
    ASSERT_TRUE(waitForQtToCatchUp());
    EXPECT_EQ(pasteboard.changeCount(), before + 1);
}

// A copy made inside this program (a text field of its own windows) is a change like any other.
TEST_F(X11PasteboardTest, CopyInsideThisProgramIsReadWithoutAskingTheServer) {
    const qint64 before = pasteboard.changeCount();
    QGuiApplication::clipboard()->setText(QStringLiteral("from a line edit"));
    EXPECT_EQ(pasteboard.changeCount(), before + 1);
    EXPECT_EQ(pasteboard.contents()->string(tqtest::kAnySize).value,
              QStringLiteral("from a line edit"));
}

// What we put back on the clipboard is one change, also after another client has fetched it (so
// the history never records its own paste), and pastes unchanged in other applications; taking
// the clipboard over from another owner works too.
TEST_F(X11PasteboardTest, OurWriteIsOneChangeServedByteForByte) {
    qint64 before = pasteboard.changeCount();
    auto other = std::make_unique<ScriptedOwner>("UTF8_STRING", "earlier");
    ASSERT_TRUE(other->owns());
    ASSERT_TRUE(waitFor([&] { return pasteboard.changeCount() > before; }));

    before = pasteboard.changeCount();
    const QString text = QStringLiteral("  Grüße, 世界 — two spaces kept  ");
    const QByteArray rtf = testData("rich/lo-i18n.rtf");
    const QByteArray html = QByteArrayLiteral("<b>Grüße</b>");
    pasteboard.setContents({.string = text, .rtf = rtf, .html = html});
    EXPECT_EQ(pasteboard.changeCount(), before + 1);
    other.reset();

    EXPECT_EQ(xclipRead("UTF8_STRING"), text.toUtf8());
    EXPECT_EQ(xclipRead("text/plain;charset=utf-8"), text.toUtf8());
    EXPECT_EQ(xclipRead("text/plain"), text.toUtf8());
    EXPECT_TRUE(xclipRead("text/rtf") == rtf);
    EXPECT_EQ(xclipRead("text/html"), html);
    ASSERT_TRUE(waitForQtToCatchUp());
    EXPECT_EQ(pasteboard.changeCount(), before + 1);

    const QByteArray png = testData("palette-16x16.png");
    pasteboard.setContents({.png = png});
    EXPECT_TRUE(xclipRead("image/png") == png);
    const QByteArrayList targets = xclipRead("TARGETS").value_or(QByteArray()).split('\n');
    EXPECT_TRUE(targets.contains("image/png"));
    EXPECT_FALSE(targets.contains("UTF8_STRING")) << "the text of the earlier write is gone";
    ASSERT_TRUE(waitForQtToCatchUp());
    EXPECT_EQ(pasteboard.changeCount(), before + 2);
}

// --- reads of what other applications offer --------------------------------------------------

OwnerScript offering(QList<QPair<QByteArray, QByteArray>> targets, QByteArrayList refused = {}) {
    return OwnerScript{OwnerBehaviour::Answers, std::move(targets), std::move(refused), 0};
}

// A copy offered under many targets at once, as real applications make it, reads from the
// faithful targets and keeps every flavour's bytes as offered. (One target alone, as xclip
// offers it, is HistoryEngineX11Test's.) A list of targets past its limit gives nothing, with one
// log line however often it is asked for.
TEST_F(X11PasteboardTest, ReadsTheBestTargets) {
    const struct OfferCase {
        const char *name;
        OwnerScript offer;
        Reads expected;
        const char *logged = "";
    } copies[] = {
        OfferCase{"office_rich_text",
                  offering({{"text/plain;charset=utf-8", testData("rich/lo-i18n.txt")},
                            {"UTF8_STRING", testData("rich/lo-i18n.txt")},
                            {"STRING", testData("writer-i18n-string.txt")},
                            {"text/rtf", testData("rich/lo-i18n.rtf")},
                            {"text/richtext", "{\\rtf1 other}"},
                            {"text/html", testData("writer-i18n.html")}}),
                  Reads{.string = QString::fromUtf8(testData("rich/lo-i18n.txt")),
                        .rtf = testData("rich/lo-i18n.rtf"),
                        .html = testData("writer-i18n.html")}},
        // A browser whose text/plain escapes non-ASCII and whose STRING is Latin-1.
        OfferCase{"browser_escaped_plain_text",
                  offering({{"text/html", "<p>caf\xc3\xa9 \xe2\x82\xac</p>"},
                            {"text/plain", "caf\\u00e9 \\u20ac\r\n"},
                            {"STRING", "caf\xe9 \\u20ac"},
                            {"UTF8_STRING", "caf\xc3\xa9 \xe2\x82\xac"}}),
                  Reads{.string = QStringLiteral("café €"),
                        .html = QByteArrayLiteral("<p>caf\xc3\xa9 \xe2\x82\xac</p>")}},
        OfferCase{"lesser_text_targets",
                  offering({{"text/plain;charset=utf-8", "na\xc3\xafve"},
                            {"text/richtext", "{\\rtf1 r}"}}),
                  Reads{.string = QStringLiteral("naïve"), .rtf = QByteArrayLiteral("{\\rtf1 r}")}},
        OfferCase{"only_latin1_string", offering({{"STRING", "caf\xe9"}}),
                  Reads{.string = QStringLiteral("café")}},
        OfferCase{"utf8_in_string", offering({{"STRING", "caf\xc3\xa9"}}),
                  Reads{.string = QStringLiteral("café")}},
        // Images go by our preference, not the offer's order; an advertised target is no promise:
        // PNG is refused, JPEG empty.
        OfferCase{"image_preference",
                  offering({{"image/tiff", "tiff"},
                            {"image/x-icon", "ico"},
                            {"image/jpeg", ""},
                            {"image/bmp", testData("palette-16x16.bmp")}},
                           {"image/png"}),
                  Reads{.image = PasteboardImage{testData("palette-16x16.bmp"), "image/bmp"}}},
        OfferCase{"password_manager",
                  offering({{"UTF8_STRING", "hunter2"}, {"x-kde-passwordManagerHint", "secret"}}),
                  Reads{.string = QStringLiteral("hunter2"), .concealed = true}},
        OfferCase{"password_hint_other_value",
                  offering({{"UTF8_STRING", "hunter2"}, {"x-kde-passwordManagerHint", "public"}}),
                  Reads{.string = QStringLiteral("hunter2")}},
        OfferCase{
            "targets_over_64_KiB",
            offering({{"UTF8_STRING", "lost"}}, QByteArrayList(16400, "STRING")), Reads{},
            "Tallowquill: clipboard \"TARGETS\" list of 65608 bytes is over the 64 KiB limit; "
            "not recorded"},
    };
    for (const OfferCase &copy : copies) {
        SCOPED_TRACE(copy.name);
        const qint64 before = pasteboard.changeCount();
        ScriptedOwner owner(copy.offer);
        ASSERT_TRUE(owner.owns());
        ASSERT_TRUE(waitFor([&] { return pasteboard.changeCount() > before; }));
        SystemLog::Capture log;
        expectReads(readAll(*pasteboard.contents()), copy.expected);
        EXPECT_EQ(log.lines().join(u'\n').toStdString(), copy.logged);
    }
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
        ASSERT_TRUE(waitFor([&] { return pasteboard.changeCount() > before; }));
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
        ASSERT_TRUE(waitFor([&] { return pasteboard.changeCount() > before; }));
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
    ASSERT_TRUE(waitFor([&] { return pasteboard.changeCount() > before; }));
    const Reads expected{.string = QStringLiteral("once"),
                         .html = QByteArrayLiteral("<i>once</i>")};
    const auto contents = pasteboard.contents();
    expectReads(readAll(*contents), expected);
    expectReads(readAll(*contents), expected);
    EXPECT_EQ(owner.asked(), (QByteArrayList{"TARGETS", "UTF8_STRING", "text/html"}));
}

} // namespace
