#include "history/ClipboardMonitor.h"
#include "history/HistoryTestSupport.h"
#include "history/PasteboardWriter.h"
#include "history/PinStore.h"
#include "platform/x11/X11Pasteboard.h"
#include "settings/AppSettings.h"
#include "support/ClipboardClients.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace tqtest;

// Started again as another application's clipboard owner, this binary serves and never returns.
[[maybe_unused]] const bool g_servesClipboard = serveClipboardIfAsked();

namespace {

using Kind = ClipboardItem::Kind;
using Targets = QList<QPair<QByteArray, QByteArray>>;

QByteArray testData(const QByteArray &path) {
    QFile file(QStringLiteral(TQ_TEST_DATA_DIR "/") + QString::fromUtf8(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.constData();
    return file.readAll();
}

// A copy as a browser or an office suite offers it: the recorded targets of one real copy, plus
// the source-address targets those programs add, which are not content.
Targets browserCopy(const char *dir) {
    const QByteArray base = QByteArrayLiteral("capture/chromium/") + dir;
    const QByteArray text = testData(base + "/UTF8_STRING.txt");
    return {{"UTF8_STRING", text},
            {"text/plain;charset=utf-8", text},
            {"chromium/x-source-url", "https://pages.example/notes.html"},
            {"text/html", testData(base + "/text_html.html")}};
}

Targets officeCopy(const char *dir) {
    const QByteArray base = QByteArrayLiteral("capture/libreoffice/clipboard/") + dir;
    const QByteArray text = testData(base + "/UTF8_STRING.txt");
    return {{"text/plain;charset=utf-8", text},
            {"UTF8_STRING", text},
            {"text/rtf", testData(base + "/text_rtf.rtf")},
            {"text/html", testData(base + "/text_html.html")},
            {"application/x-openoffice-link;windows_formatname=\"Link\"",
             QByteArrayLiteral("soffice\0file:///home/user/cake.odt\0")}};
}

// Over 4 MB, so every owner sends it in pieces.
QByteArray largeText() {
    QByteArray text;
    for (int line = 0; text.size() < 4 * 1024 * 1024 + 1000; ++line)
        text += "Zeile " + QByteArray::number(line) + " — große Ölfässer, 大きい\n";
    return text;
}

void report(const char *what, qint64 ms) {
    std::printf("[ figure   ] %s: %lld ms\n", what, static_cast<long long>(ms));
}

class HistoryEngineX11Test : public ::testing::Test {
protected:
    // The program's start: the clipboard adapter and the monitor are built over whatever the
    // clipboard holds now, and the monitor's timers start.
    void startHistory() {
        ASSERT_TRUE(waitForQtToCatchUp());
        pasteboard = std::make_unique<X11Pasteboard>();
        monitor = std::make_unique<ClipboardMonitor>(*pasteboard, settings, pinStore);
        monitor->start();
    }

    // Returns once every clipboard change so far has been handled by Qt, looked at by a poll of
    // the monitor and captured.
    bool settled() {
        return waitForQtToCatchUp() &&
               waitUntil(
                   [&] {
                       return monitor->lastChangeCount() == pasteboard->changeCount() &&
                              !monitor->isCapturing();
                   },
                   std::chrono::seconds(30));
    }

    bool waitForNewest(const QString &text) {
        return waitUntil(
            [&] { return !monitor->recent().isEmpty() && monitor->recent().first().text == text; });
    }

    // Another copy made after everything before it was polled: it must still be recorded.
    QString copyMarker() {
        const QString marker = QStringLiteral("marker %1").arg(++m_markers);
        XclipOwner xclip("UTF8_STRING", marker.toUtf8());
        EXPECT_TRUE(xclip.owns());
        EXPECT_TRUE(waitForNewest(marker));
        return marker;
    }

    QTemporaryDir pinFolder;
    AppSettings settings{std::make_unique<MemoryDefaults>()};
    PinStore pinStore{pinFolder.path()};
    std::unique_ptr<X11Pasteboard> pasteboard;
    std::unique_ptr<ClipboardMonitor> monitor;

private:
    int m_markers = 0;
};

// --- what another application's copy becomes ------------------------------------------------

struct CopyCase {
    const char *name;
    Targets targets;          // one target: copied with xclip; more: a scripted owner
    std::optional<Kind> kind; // absent: nothing is recorded
    bool link = false;
    QSize convertedImage{}; // an image offered in another format: its size once stored as PNG
};

class HistoryEngineCopies : public HistoryEngineX11Test,
                            public ::testing::WithParamInterface<CopyCase> {};

// A copy in any X application becomes one entry of the right kind, with its text exactly as
// offered, RTF kept byte for byte, PNG kept as offered, other images stored as PNG; blanks and
// secrets are not recorded, and the copy after them still is.
TEST_P(HistoryEngineCopies, BecomesTheRightEntry) {
    const CopyCase &copy = GetParam();
    startHistory();
    const auto offered = [&](const char *target) -> std::optional<QByteArray> {
        for (const auto &[name, bytes] : copy.targets) {
            if (name == target)
                return bytes;
        }
        return std::nullopt;
    };
    {
        std::unique_ptr<XclipOwner> xclip;
        std::unique_ptr<ScriptedOwner> owner;
        if (copy.targets.size() == 1) {
            xclip = std::make_unique<XclipOwner>(copy.targets[0].first, copy.targets[0].second);
            ASSERT_TRUE(xclip->owns());
        } else {
            owner = std::make_unique<ScriptedOwner>(
                OwnerScript{OwnerBehaviour::Answers, copy.targets, {}, 0});
            ASSERT_TRUE(owner->owns());
        }
        ASSERT_TRUE(settled());
    }

    if (!copy.kind) {
        const QString marker = copyMarker();
        EXPECT_EQ(texts(monitor->items()), marker.toStdString());
        return;
    }
    ASSERT_EQ(monitor->items().size(), 1) << texts(monitor->items());
    const ClipboardItem &item = monitor->items().first();
    EXPECT_EQ(item.kind, *copy.kind);
    EXPECT_EQ(item.containsLink, copy.link);
    EXPECT_FALSE(item.isPinned);
    if (item.kind == Kind::image) {
        EXPECT_EQ(item.text, QStringLiteral("Image"));
        EXPECT_FALSE(item.rtfData);
        ASSERT_TRUE(item.imageData);
        if (const std::optional<QByteArray> png = offered("image/png")) {
            EXPECT_TRUE(*item.imageData == *png) << "PNG not kept as offered";
        } else {
            const QImage stored = QImage::fromData(*item.imageData, "PNG");
            EXPECT_EQ(stored.size(), copy.convertedImage);
        }
        return;
    }
    const QByteArray text = offered("UTF8_STRING").value_or(QByteArray());
    EXPECT_TRUE(item.text == QString::fromUtf8(text))
        << "got " << item.text.size() << " characters of " << QString::fromUtf8(text).size();
    EXPECT_FALSE(item.imageData);
    if (item.kind == Kind::rich) {
        ASSERT_TRUE(item.rtfData);
        if (const std::optional<QByteArray> rtf = offered("text/rtf"))
            EXPECT_TRUE(*item.rtfData == *rtf) << "RTF not kept byte for byte";
        else
            EXPECT_TRUE(item.rtfData->startsWith("{\\rtf"));
    } else {
        EXPECT_FALSE(item.rtfData);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Applications, HistoryEngineCopies,
    ::testing::Values(
        CopyCase{"plain_non_ascii",
                 {{"UTF8_STRING", testData("clipboard/browser-i18n-utf8_string.txt")}},
                 Kind::text},
        CopyCase{"spaces_kept", {{"UTF8_STRING", "  two  spaces\tand a tab  \n"}}, Kind::text},
        CopyCase{"blank_text", {{"UTF8_STRING", " \n\t \r\n"}}, std::nullopt},
        CopyCase{"html_utf8", browserCopy("selectall-no-link"), Kind::rich},
        // A link in the HTML only, never in the visible text.
        CopyCase{"html_link_only", browserCopy("selectall-links-hidden"), Kind::rich, true},
        // The byte-order mark wins over a <meta charset> that says otherwise.
        CopyCase{"html_utf16_with_bom",
                 {{"UTF8_STRING", "marker inventory"},
                  {"text/html", testData("clipboard/utf16le-bom.html")}},
                 Kind::rich,
                 true},
        CopyCase{"rtf_kept", officeCopy("writer-selectall-no-link-odt"), Kind::rich},
        CopyCase{"rtf_link_only", officeCopy("writer-find-one-link-odt"), Kind::rich, true},
        CopyCase{"png_as_offered",
                 {{"image/png", testData("capture/chromium/copy-image-png-alpha/image_png.png")}},
                 Kind::image},
        CopyCase{"jpeg_as_png",
                 {{"image/jpeg", testData("clipboard/jfif-16x16.jpg")}},
                 Kind::image,
                 false,
                 QSize(16, 16)},
        CopyCase{"bmp_as_png",
                 {{"image/bmp", testData("capture/libreoffice/clipboard/"
                                         "writer-copy-picture-broken-link/image_bmp.bmp")}},
                 Kind::image,
                 false,
                 QSize(133, 133)},
        CopyCase{"blank_text_and_image",
                 {{"UTF8_STRING", "  \n"}, {"image/png", testData("clipboard/palette-16x16.png")}},
                 Kind::image},
        CopyCase{"large_text", {{"UTF8_STRING", largeText()}}, Kind::text},
        CopyCase{"password_manager_secret",
                 {{"UTF8_STRING", "correct horse battery staple"},
                  {"x-kde-passwordManagerHint", "secret"}},
                 std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

// --- the history's start and its own writes ---------------------------------------------------

// What was on the clipboard before the program started is not recorded, however long it stays;
// the next copy is.
TEST_F(HistoryEngineX11Test, ContentPresentAtStartIsNotRecorded) {
    XclipOwner earlier("UTF8_STRING", "copied before the start");
    ASSERT_TRUE(earlier.owns());
    startHistory();
    ASSERT_TRUE(settled());
    EXPECT_TRUE(monitor->items().isEmpty());
    const QString marker = copyMarker();
    EXPECT_EQ(texts(monitor->items()), marker.toStdString());
}

// Pasting an entry back hands other applications its text and formatting, and never records
// it again: the history keeps its order, ids and times, and copies made later are recorded.
TEST_F(HistoryEngineX11Test, WritingAnEntryBackLeavesTheHistoryAsItWas) {
    startHistory();
    {
        ScriptedOwner office(
            OwnerScript{OwnerBehaviour::Answers, officeCopy("writer-find-one-link-odt"), {}, 0});
        ASSERT_TRUE(office.owns());
        ASSERT_TRUE(settled());
    }
    {
        XclipOwner xclip("UTF8_STRING", "newer copy");
        ASSERT_TRUE(xclip.owns());
        ASSERT_TRUE(waitForNewest(QStringLiteral("newer copy")));
    }
    const QList<ClipboardItem> before = monitor->items();
    ASSERT_EQ(before.size(), 2);
    const ClipboardItem older = before.at(1);
    ASSERT_EQ(older.kind, Kind::rich);

    const auto expectUnchanged = [&] {
        ASSERT_TRUE(settled());
        EXPECT_FALSE(monitor->selfCopyUntilChangeCount()) << "the guard is spent";
        ASSERT_EQ(monitor->items().size(), before.size()) << texts(monitor->items());
        for (qsizetype i = 0; i < before.size(); ++i) {
            EXPECT_EQ(monitor->items().at(i).id, before.at(i).id);
            EXPECT_EQ(monitor->items().at(i).copiedAt, before.at(i).copiedAt);
        }
    };

    writeItem(older, *monitor, false);
    EXPECT_EQ(xclipRead("UTF8_STRING"), older.text.toUtf8());
    EXPECT_TRUE(xclipRead("text/rtf") == *older.rtfData);
    EXPECT_TRUE(xclipRead("text/html").value_or(QByteArray()).contains("marker inventory"));
    expectUnchanged();

    writeItem(older, *monitor, true);
    EXPECT_EQ(xclipRead("UTF8_STRING"), older.text.toUtf8());
    EXPECT_FALSE(xclipRead("TARGETS").value_or(QByteArray()).split('\n').contains("text/rtf"));
    expectUnchanged();

    const QString marker = copyMarker();
    EXPECT_EQ(texts(monitor->items()),
              marker.toStdString() + "|newer copy|" + older.text.toStdString());
}

// A copy made elsewhere around a paste of ours is recorded: one made just after our write, and
// one made at the very moment of it (the X server has it, this program has not heard of it yet)
// which then wins the clipboard. The pasted entry never moves.
TEST_F(HistoryEngineX11Test, CopyMadeAroundOurWriteIsRecorded) {
    startHistory();
    for (const char *text : {"first", "second"}) {
        XclipOwner xclip("UTF8_STRING", text);
        ASSERT_TRUE(xclip.owns());
        ASSERT_TRUE(waitForNewest(QString::fromLatin1(text)));
    }
    int round = 0;
    for (const bool racing : {false, true, false, true}) {
        SCOPED_TRACE(racing ? "copied at the moment of our write" : "copied right after our write");
        const QList<ClipboardItem> before = monitor->recent();
        const QByteArray copied = "copied elsewhere " + QByteArray::number(++round);
        std::unique_ptr<XclipOwner> xclip;
        if (racing) {
            xclip = std::make_unique<XclipOwner>("UTF8_STRING", copied, "CLIPBOARD", true);
            writeItem(before.last(), *monitor, false); // the oldest entry
        } else {
            writeItem(before.last(), *monitor, false);
            xclip = std::make_unique<XclipOwner>("UTF8_STRING", copied);
        }
        ASSERT_TRUE(xclip->owns());
        ASSERT_TRUE(settled());

        const std::optional<QByteArray> held = xclipRead("UTF8_STRING");
        if (racing && held == before.last().text.toUtf8()) {
            // Our write came later by the server's clock: their copy is gone, nothing new.
            EXPECT_TRUE(monitor->recent() == before) << texts(monitor->recent());
            continue;
        }
        EXPECT_EQ(held, copied);
        ASSERT_EQ(monitor->recent().size(), before.size() + 1) << texts(monitor->recent());
        EXPECT_EQ(monitor->recent().first().text, QString::fromUtf8(copied));
        EXPECT_TRUE(monitor->recent().mid(1) == before) // entries compare by id
            << texts(monitor->recent());
    }
}

// Copies made elsewhere show up in the history within about half a second.
TEST_F(HistoryEngineX11Test, CopiesAreRecordedPromptly) {
    startHistory();
    constexpr int copies = 10;
    QList<qint64> delays;
    QList<qint64> owned;
    for (int i = 0; i < copies; ++i) {
        // Each entry appears at a poll; starting the next copy at once would always land just
        // after one. Spread the copies evenly over the poll period instead, as a user's fall.
        const QDeadlineTimer phase(ClipboardMonitor::pollInterval * i / copies);
        waitUntil([&] { return phase.hasExpired(); });

        const QString text = QStringLiteral("copy number %1").arg(i);
        QElapsedTimer clock;
        clock.start();
        XclipOwner xclip("UTF8_STRING", text.toUtf8());
        ASSERT_TRUE(xclip.owns());
        owned.append(clock.elapsed());
        ASSERT_TRUE(waitForNewest(text));
        delays.append(clock.elapsed());
    }
    EXPECT_EQ(monitor->recent().size(), copies);
    const auto median = [](QList<qint64> values) {
        std::sort(values.begin(), values.end());
        return (values.at(values.size() / 2 - 1) + values.at(values.size() / 2)) / 2;
    };
    report("xclip started to entry in the history, median of 10", median(delays));
    report("xclip started to entry in the history, slowest of 10",
           *std::max_element(delays.cbegin(), delays.cend()));
    report("xclip started to clipboard taken (part of the above), median of 10", median(owned));
}

} // namespace
