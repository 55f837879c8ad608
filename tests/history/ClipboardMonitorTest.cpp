#include "history/ClipboardMonitor.h"
#include "HistoryTestSupport.h"
#include "history/PasteboardWriter.h"
#include "history/PinStore.h"
#include "settings/AppSettings.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace tqtest;

class ClipboardMonitorTest : public ::testing::Test {
protected:
    // As after a restart: the pins are listed once their details are worked out.
    std::unique_ptr<ClipboardMonitor> make() {
        auto fresh = std::make_unique<ClipboardMonitor>(pasteboard, settings, pins, clock);
        settle(*fresh);
        return fresh;
    }
    // Another program copies; the next poll sees it.
    void copy(const Offer &offer) {
        now += 1;
        pasteboard.offer(offer);
        pollAndSettle(monitor);
    }
    void copyTexts(int count) {
        for (int i = 0; i < count; ++i)
            copy(Offer().text(QStringLiteral("copy %1").arg(i)));
    }

    FakePasteboard pasteboard;
    AppSettings settings{std::make_unique<MemoryDefaults>()};
    QTemporaryDir dir;
    PinStore pins{dir.path()};
    double now = 1000;
    std::function<double()> clock = [this] { return now; };
    ClipboardMonitor monitor{pasteboard, settings, pins, clock};
    QSignalSpy published{&monitor, &ClipboardMonitor::itemsChanged};
};

// A copy equal in content to a recent one replaces it at the front with its own id and time;
// texts count as equal when Unicode says they are, images when their bytes are.
TEST_F(ClipboardMonitorTest, DuplicateRule) {
    const QByteArray red = imageOf(qRgb(255, 0, 0)), blue = imageOf(qRgb(0, 0, 255));
    const QString plain = QStringLiteral("hello");
    const struct {
        Offer first, second;
        bool same;
    } cases[] = {
        {Offer().text(plain), Offer().text(plain), true},
        {Offer().text(QStringLiteral("caf\u00e9")), Offer().text(QStringLiteral("cafe\u0301")),
         true},
        {Offer().text(QStringLiteral("\ufb01le")), Offer().text(QStringLiteral("file")), false},
        // Past 30 marks in a row (a normalising sort that is quadratic in the run) as sent.
        {Offer().text(QStringLiteral("a") + QString(29, u'\u0301') + QStringLiteral("\u0316")),
         Offer().text(QStringLiteral("a\u0316") + QString(29, u'\u0301')), true},
        {Offer().text(QStringLiteral("a") + QString(30, u'\u0301') + QStringLiteral("\u0316")),
         Offer().text(QStringLiteral("a\u0316") + QString(30, u'\u0301')), false},
        {Offer().text(plain).rtf("{\\rtf1 hello}"), Offer().text(plain), true},
        {Offer().image(red), Offer().image(red), true},
        {Offer().image(red), Offer().image(blue), false},
        {Offer().image(red), Offer().text(QStringLiteral("Image")), false},
    };
    for (const auto &c : cases) {
        const auto fresh = make();
        pasteboard.offer(c.first);
        pollAndSettle(*fresh);
        now += 1;
        pasteboard.offer(c.second);
        pollAndSettle(*fresh);
        ASSERT_EQ(fresh->recent().size(), c.same ? 1 : 2) << texts(fresh->recent());
        EXPECT_EQ(fresh->recent().front().copiedAt, now);
    }
}

// At most 50 unpinned entries, newest first; a repeated copy moves to the top as a new entry
// and the others keep their order.
TEST_F(ClipboardMonitorTest, RecentEntriesAreCappedAndOrdered) {
    copyTexts(51);
    ASSERT_EQ(monitor.recent().size(), 50);
    EXPECT_EQ(monitor.recent().back().text, QStringLiteral("copy 1"));
    const QUuid oldId = monitor.recent().at(2).id;
    copy(Offer().text(QStringLiteral("copy 48")));
    EXPECT_EQ(texts(monitor.recent().mid(0, 4)), "copy 48|copy 50|copy 49|copy 47");
    EXPECT_NE(monitor.recent().front().id, oldId);
    EXPECT_EQ(monitor.recent().size(), 50);

    // Large copies count by their size: the oldest go once the memory budget is reached.
    const QString large(30 << 20, QLatin1Char('x')); // 60 MiB as UTF-16
    for (int i = 0; i < 9; ++i)
        copy(Offer().text(large + QString::number(i)));
    EXPECT_EQ(monitor.recent().size(), 8);
    EXPECT_TRUE(monitor.recent().back().text.endsWith(QLatin1Char('1')));
}

// Copying what is pinned changes nothing, not even a redraw; pins don't count toward the cap.
TEST_F(ClipboardMonitorTest, CopyOfPinnedContentIsDropped) {
    copy(Offer().text(QStringLiteral("pinned")));
    monitor.togglePin(monitor.recent().front().id);
    copyTexts(50);
    const ClipboardItem pin = monitor.pinned().front();
    published.clear();
    copy(Offer().text(QStringLiteral("pinned")));
    EXPECT_EQ(published.count(), 0);
    EXPECT_EQ(monitor.items().size(), 51);
    EXPECT_EQ(monitor.items().front().copiedAt, pin.copiedAt);
}

// Pins keep their id and time and survive a restart, most recent first; unpinning brings an
// entry back as the newest recent one (new id, current time) even into a full history; an
// unknown id changes nothing and writes nothing.
TEST_F(ClipboardMonitorTest, PinAndUnpin) {
    copy(Offer().text(QStringLiteral("A")));
    copy(Offer().text(QStringLiteral("B")));
    monitor.togglePin(QUuid::createUuid());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("pins.json"))));
    EXPECT_EQ(published.count(), 2);

    const ClipboardItem a = monitor.recent().at(1);
    monitor.togglePin(a.id);
    monitor.togglePin(monitor.recent().front().id);
    EXPECT_EQ(monitor.pinned().at(1).id, a.id);
    EXPECT_EQ(monitor.pinned().at(1).copiedAt, a.copiedAt);
    EXPECT_EQ(texts(make()->items()), "B|A"); // as after a restart

    copyTexts(50);
    const QUuid b = monitor.pinned().front().id;
    monitor.togglePin(b);
    EXPECT_EQ(texts(monitor.items().mid(0, 3)), "A|B|copy 49");
    EXPECT_EQ(monitor.recent().size(), 50);
    EXPECT_NE(monitor.recent().front().id, b);
    EXPECT_EQ(monitor.recent().front().copiedAt, now);
    EXPECT_FALSE(monitor.recent().front().isPinned);
    EXPECT_EQ(texts(make()->items()), "A");
}

// Unpinned entries older than the retention time read at that moment go at the next prune (one
// exactly that old stays); pins stay; a prune that removes nothing does not redraw, clearing
// always does.
TEST_F(ClipboardMonitorTest, PruneAndClear) {
    copy(Offer().text(QStringLiteral("pinned")));
    monitor.togglePin(monitor.recent().front().id);
    now = 0;
    copy(Offer().text(QStringLiteral("old"))); // at 1, due after 7201
    now = 7000;
    copy(Offer().text(QStringLiteral("new")));
    published.clear();
    now = 7201; // exactly as old as the retention time: not older yet
    monitor.prune();
    EXPECT_EQ(texts(monitor.items()), "pinned|new|old");
    EXPECT_EQ(published.count(), 0);
    now = 7201.5;
    monitor.prune();
    EXPECT_EQ(published.count(), 1);
    EXPECT_EQ(texts(monitor.items()), "pinned|new");

    settings.setRetentionMinutes(0);
    now += 0.5;
    monitor.prune();
    EXPECT_EQ(texts(monitor.items()), "pinned");
    monitor.clearHistory();
    EXPECT_EQ(published.count(), 3);
}

// Once started, a change is looked at as soon as the pasteboard tells of it. The prune timer waits
// for the oldest recent entry to expire, never more than a minute, and nothing wakes while no
// recent entry can expire.
TEST_F(ClipboardMonitorTest, FollowsChangesAndWakesOnlyToPrune) {
    using namespace std::chrono_literals;
    const auto live = make();
    live->start();
    EXPECT_EQ(live->nextPrune(), std::nullopt);
    pasteboard.offer(Offer().text(QStringLiteral("at once")));
    ASSERT_TRUE(settle(*live));
    EXPECT_EQ(texts(live->items()), "at once");
    EXPECT_EQ(live->nextPrune(), 60'000ms); // due in two hours
    settings.setRetentionMinutes(1);
    now += 10;
    live->prune();
    EXPECT_EQ(live->nextPrune(), 50'001ms);
    live->clearHistory();
    EXPECT_EQ(live->nextPrune(), std::nullopt);
}

// When the owner of the copy recorded last quits, that entry goes back on the clipboard with all
// its flavours, once, and is not recorded again; not after a secret was copied, once the history
// was cleared, or when the entry has expired.
TEST_F(ClipboardMonitorTest, OwnerLeavingPutsTheRecordedCopyBack) {
    const struct {
        const char *name;
        std::function<void(ClipboardMonitor &)> between; // the recorded copy and the leaving
        bool restored;
    } cases[] = {
        {"recorded", [](ClipboardMonitor &) {}, true},
        {"secret copied since",
         [this](ClipboardMonitor &live) {
             pasteboard.offer(Offer().text(QStringLiteral("hunter2")).concealed());
             settle(live);
         },
         false},
        {"history cleared", [](ClipboardMonitor &live) { live.clearHistory(); }, false},
        {"expired", [this](ClipboardMonitor &) { now += 7201; }, false},
    };
    for (const auto &c : cases) {
        const auto live = make();
        live->start();
        pasteboard.offer(Offer().text(QStringLiteral("persist me")).html("<b>persist</b> me"));
        ASSERT_TRUE(settle(*live));
        c.between(*live);
        const int writes = pasteboard.writes();
        pasteboard.ownerLeaves();
        ASSERT_TRUE(settle(*live));
        EXPECT_EQ(pasteboard.writes() - writes, c.restored ? 1 : 0) << c.name;
        if (c.restored) {
            EXPECT_EQ(pasteboard.current().string, QStringLiteral("persist me"));
            EXPECT_TRUE(pasteboard.current().rtf && pasteboard.current().html);
            EXPECT_EQ(texts(live->items()), "persist me");
        }
    }
}

// Only real changes by other programs are recorded: not what was there at start, not the
// program's own writes (which leave the history as it was), not secrets or blank text. A copy
// made after one of our writes, before the next poll, is recorded.
TEST_F(ClipboardMonitorTest, WhatIsRecorded) {
    pasteboard.offer(Offer().text(QStringLiteral("before construction")));
    const auto fresh = make();
    pasteboard.offer(Offer().text(QStringLiteral("before start")));
    fresh->start();
    pollAndSettle(*fresh);
    EXPECT_TRUE(fresh->items().isEmpty());

    copy(Offer().text(QStringLiteral("hunter2")).concealed());
    copy(Offer().text(QStringLiteral(" \n ")));
    copyTexts(2);
    const int reads = pasteboard.reads();
    pollAndSettle(monitor);
    EXPECT_EQ(pasteboard.reads(), reads);

    writeItem(monitor.recent().at(1), monitor, false);
    pollAndSettle(monitor);
    EXPECT_EQ(pasteboard.current().string, QStringLiteral("copy 0"));
    EXPECT_EQ(texts(monitor.items()), "copy 1|copy 0");
    EXPECT_FALSE(monitor.selfCopyUntilChangeCount());
    writeItem(monitor.recent().at(1), monitor, false);
    pasteboard.lostCopyReported(); // a copy our write won over, told after it
    pollAndSettle(monitor);
    EXPECT_EQ(texts(monitor.items()), "copy 1|copy 0");

    writeItem(monitor.recent().at(1), monitor, false);
    copy(Offer().text(QStringLiteral("foreign")));
    copy(Offer().text(QStringLiteral("another")));
    EXPECT_EQ(texts(monitor.items()), "another|foreign|copy 1|copy 0");
}

// Pasting gives the other program the entry in the flavours it can use, in one change the
// history does not record: a rich entry as RTF, HTML and text; a plain paste as text only; an
// image as PNG (converted when a hand-edited pins file holds another format), or nothing when
// there is no readable image.
TEST_F(ClipboardMonitorTest, WritingBackGivesTheFlavoursOnce) {
    const QByteArray rtf("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"https://example.org/\"}"
                         "{\\fldrslt link}}}");
    const QByteArray png = imageOf(qRgb(1, 2, 3));
    const QString text = QStringLiteral(" some text ");
    const auto entry = [&](ClipboardItem::Kind kind, std::optional<QByteArray> rtf,
                           std::optional<QByteArray> image) {
        return ClipboardItem{QUuid::createUuid(), kind, text, rtf, image, false, 1.0, false, {}};
    };
    const struct {
        ClipboardItem item;
        bool plainText;
        const char *offered; // s: text, r: RTF, h: HTML, i: image
    } cases[] = {
        {entry(ClipboardItem::Kind::text, {}, {}), false, "s"},
        {entry(ClipboardItem::Kind::rich, rtf, {}), false, "rhs"},
        {entry(ClipboardItem::Kind::rich, rtf, {}), true, "s"},
        {entry(ClipboardItem::Kind::rich, {}, {}), false, "s"},
        {entry(ClipboardItem::Kind::image, {}, png), false, "i"},
        {entry(ClipboardItem::Kind::image, {}, png), true, "s"},
        {entry(ClipboardItem::Kind::image, {}, imageOf(qRgb(1, 2, 3), "BMP")), false, "i"},
        {entry(ClipboardItem::Kind::image, {}, {}), false, ""},
        {entry(ClipboardItem::Kind::image, {}, QByteArray("junk")), false, ""},
    };
    for (const auto &c : cases) {
        pasteboard.offer(Offer().text(QStringLiteral("foreign")).html("<b>x</b>"));
        pollAndSettle(monitor);
        const qint64 count = pasteboard.changeCount();
        writeItem(c.item, monitor, c.plainText);
        EXPECT_EQ(pasteboard.changeCount(), count + 1);

        const auto &on = pasteboard.current();
        const QByteArray offered = QByteArray(on.rtf ? "r" : "") + (on.html ? "h" : "") +
                                   (on.string ? "s" : "") + (on.image ? "i" : "");
        EXPECT_EQ(offered, c.offered) << int(c.item.kind) << c.plainText;
        EXPECT_EQ(on.string.value_or(text), text);
        EXPECT_EQ(on.rtf.value_or(rtf), rtf);
        EXPECT_TRUE(on.html.value_or("https://example.org/").contains("https://example.org/"));
        if (on.image) {
            EXPECT_EQ(QImage::fromData(on.image->data, "PNG").size(), QSize(4, 3));
        }

        pollAndSettle(monitor);
        EXPECT_FALSE(monitor.selfCopyUntilChangeCount());
        EXPECT_EQ(texts(monitor.items()), "foreign");
    }
}

} // namespace
