// The history over the real clipboard: only what the X server alone can show. What each kind of
// copy becomes is PasteboardCaptureTest's business.
#include "history/ClipboardMonitor.h"
#include "history/HistoryTestSupport.h"
#include "history/PasteboardWriter.h"
#include "history/PinStore.h"
#include "platform/x11/X11Pasteboard.h"
#include "settings/AppSettings.h"
#include "support/ClipboardClients.h"
#include "support/TestEnvironment.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tqtest;

// Started again as another application's clipboard owner, this binary serves and never returns.
[[maybe_unused]] const bool g_servesClipboard = serveClipboardIfAsked();

namespace {

using Kind = ClipboardItem::Kind;
using Targets = QList<QPair<QByteArray, QByteArray>>;

// An office suite's copy: its recorded targets, plus a source link that is not content.
Targets officeCopy(const char *dir) {
    const QString base = QStringLiteral("clipboard/libreoffice/") + QLatin1String(dir);
    const QByteArray text = testData(base + QStringLiteral("/UTF8_STRING.txt"));
    return {{"text/plain;charset=utf-8", text},
            {"UTF8_STRING", text},
            {"text/rtf", testData(base + QStringLiteral("/text_rtf.rtf"))},
            {"text/html", testData(base + QStringLiteral("/text_html.html"))},
            {"application/x-openoffice-link;windows_formatname=\"Link\"",
             QByteArrayLiteral("soffice\0file:///home/user/cake.odt\0")}};
}

class HistoryEngineX11Test : public ::testing::Test {
protected:
    // The program's start: built over whatever the clipboard holds now.
    void startHistory() {
        ASSERT_TRUE(waitForQtToCatchUp());
        pasteboard = std::make_unique<X11Pasteboard>();
        monitor = std::make_unique<ClipboardMonitor>(*pasteboard, settings, pinStore);
        monitor->start();
    }

    // Every clipboard change so far has been seen by a poll and captured.
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

    // A copy made after everything before it was polled: it must still be recorded.
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

// Copies that take the real transfer paths: over 4 MB of text, sent in INCR pieces, and a JPEG,
// stored as a PNG. (An office suite's RTF is WritingAnEntryBackLeavesTheHistoryAsItWas's.)
TEST_F(HistoryEngineX11Test, LargeTextAndImageCopies) {
    QByteArray large;
    for (int line = 0; large.size() < 4 * 1024 * 1024 + 1000; ++line)
        large += "Zeile " + QByteArray::number(line) + " — große Ölfässer, 大きい\n";
    startHistory();
    for (const auto &[target, bytes] :
         Targets{{"UTF8_STRING", large},
                 {"image/jpeg", testData(QStringLiteral("clipboard/jfif-16x16.jpg"))}}) {
        ScriptedOwner owner(OwnerScript{OwnerBehaviour::Answers, {{target, bytes}}, {}, 64 * 1024});
        ASSERT_TRUE(owner.owns());
        ASSERT_TRUE(settled());
    }
    ASSERT_EQ(monitor->recent().size(), 2);
    const ClipboardItem &text = monitor->recent().at(1);
    EXPECT_TRUE(text.text.toUtf8() == large) << "got " << text.text.size() << " characters";
    const ClipboardItem &image = monitor->recent().at(0);
    ASSERT_TRUE(image.imageData);
    EXPECT_EQ(QImage::fromData(*image.imageData, "PNG").size(), QSize(16, 16));
}

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

// An office suite's copy keeps its RTF byte for byte. Pasting it back hands other applications
// its text and formatting, and never records it again: the history keeps its order, ids and
// times, and copies made later are recorded.
TEST_F(HistoryEngineX11Test, WritingAnEntryBackLeavesTheHistoryAsItWas) {
    startHistory();
    const Targets office = officeCopy("writer-find-one-link-odt");
    {
        ScriptedOwner owner(OwnerScript{OwnerBehaviour::Answers, office, {}, 0});
        ASSERT_TRUE(owner.owns());
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
    EXPECT_TRUE(*older.rtfData == office[2].second) << "the suite's RTF, byte for byte";

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

} // namespace
