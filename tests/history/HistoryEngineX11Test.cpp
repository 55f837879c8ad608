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
    const QString base = QStringLiteral("libreoffice/") + QLatin1String(dir);
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
    bool settled() { return waitForQtToCatchUp() && settle(*monitor); }

    // A copy made after everything before it was polled: it must still be recorded.
    QString copyMarker() {
        const QString marker = QStringLiteral("marker %1").arg(++m_markers);
        ScriptedOwner other("UTF8_STRING", marker.toUtf8());
        EXPECT_TRUE(other.owns());
        EXPECT_TRUE(waitFor([&] {
            return !monitor->recent().isEmpty() && monitor->recent().first().text == marker;
        }));
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

// A copy over 4 MB, sent in INCR pieces, is recorded whole. (Images read as offered are
// X11PasteboardX11Test's, and what they become PasteboardCaptureTest's.)
TEST_F(HistoryEngineX11Test, LargeTextCopy) {
    QByteArray large;
    for (int line = 0; large.size() < 4 * 1024 * 1024 + 1000; ++line)
        large += "Zeile " + QByteArray::number(line) + " — große Ölfässer, 大きい\n";
    startHistory();
    ScriptedOwner owner(
        OwnerScript{OwnerBehaviour::Answers, {{"UTF8_STRING", large}}, {}, 64 * 1024});
    ASSERT_TRUE(owner.owns());
    ASSERT_TRUE(settled());
    ASSERT_EQ(monitor->recent().size(), 1);
    const QString text = monitor->recent().first().text;
    EXPECT_TRUE(text.toUtf8() == large) << "got " << text.size() << " characters";
}

// What was on the clipboard before the start is never recorded. An office suite's copy keeps its
// RTF byte for byte. Pasting it back (what other applications then get is X11PasteboardX11Test's)
// never records it again: the history keeps its order, ids and times, and copies made later are
// recorded.
TEST_F(HistoryEngineX11Test, WritingAnEntryBackLeavesTheHistoryAsItWas) {
    {
        ScriptedOwner earlier("UTF8_STRING", "copied before the start");
        ASSERT_TRUE(earlier.owns());
        startHistory();
        ASSERT_TRUE(settled());
        EXPECT_TRUE(monitor->items().isEmpty());
    }
    const Targets office = officeCopy("writer-find-one-link-odt");
    {
        ScriptedOwner owner(OwnerScript{OwnerBehaviour::Answers, office, {}, 0});
        ASSERT_TRUE(owner.owns());
        ASSERT_TRUE(settled());
    }
    const QString newer = copyMarker();
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

    for (const bool plainText : {false, true}) {
        writeItem(older, *monitor, plainText);
        EXPECT_EQ(xclipRead("UTF8_STRING"), older.text.toUtf8());
        expectUnchanged();
    }

    const QString marker = copyMarker();
    EXPECT_EQ(texts(monitor->items()), (marker + u'|' + newer + u'|' + older.text).toStdString());
}

// A copy made elsewhere around a paste of ours is recorded: one made just after our write, and
// one made at the very moment of it (the X server has it, this program has not heard of it yet)
// which then wins the clipboard. The pasted entry never moves.
TEST_F(HistoryEngineX11Test, CopyMadeAroundOurWriteIsRecorded) {
    startHistory();
    copyMarker();
    copyMarker();
    int round = 0;
    for (const bool racing : {false, true, false, true}) {
        SCOPED_TRACE(racing ? "copied at the moment of our write" : "copied right after our write");
        const QList<ClipboardItem> before = monitor->recent();
        const QByteArray copied = "copied elsewhere " + QByteArray::number(++round);
        std::unique_ptr<ScriptedOwner> other;
        if (racing) {
            other = std::make_unique<ScriptedOwner>("UTF8_STRING", copied, "CLIPBOARD", true);
            writeItem(before.last(), *monitor, false); // the oldest entry
        } else {
            writeItem(before.last(), *monitor, false);
            other = std::make_unique<ScriptedOwner>("UTF8_STRING", copied);
        }
        ASSERT_TRUE(other->owns());
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
