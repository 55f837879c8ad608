#include "popup/ClipboardRow.h"
#include "history/HistoryTestSupport.h"
#include "popup/IconButton.h"
#include "support/TestEnvironment.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using Kind = ClipboardItem::Kind;

std::unique_ptr<ClipboardRow> rowFor(const ClipboardItem &item, bool withPlainPaste = false) {
    auto row = std::make_unique<ClipboardRow>(
        item, false, [] {},
        withPlainPaste ? std::function<void()>([] {}) : std::function<void()>());
    row->resize(360, row->height());
    return row;
}

// The pin control says what a click will do; the plain-paste control and the link marker show
// only on a rich entry and on one with a link. (Their colours are the shared style's.)
TEST(ClipboardRow, ControlsFollowTheEntry) {
    for (const bool pinned : {false, true}) {
        ClipboardItem item = tqtest::entry(Kind::text, QStringLiteral("  hello\nworld"));
        item.isPinned = pinned;
        const auto row = rowFor(item);
        EXPECT_EQ(row->pinButton()->symbol(),
                  pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"));
        EXPECT_EQ(row->pinButton()->toolTip(),
                  pinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"));
        EXPECT_EQ(row->leadingText(), QStringLiteral("hello"));
        EXPECT_EQ(row->plainPasteButton(), nullptr);
        EXPECT_FALSE(row->showsLinkMarker());
    }
    ClipboardItem rich = tqtest::entry(Kind::rich, QStringLiteral("see https://example.org"));
    rich.containsLink = true;
    const auto row = rowFor(rich, true);
    EXPECT_TRUE(row->showsLinkMarker());
    ASSERT_NE(row->plainPasteButton(), nullptr);
    EXPECT_EQ(row->plainPasteButton()->toolTip(), QStringLiteral("Paste without formatting"));
}

// A wide picture becomes a thumbnail no higher than 26 points, undistorted, beside "Image".
TEST(ClipboardRow, ImageThumbnailKeepsItsShape) {
    ClipboardItem item = tqtest::entry(Kind::image, QStringLiteral("Image"));
    item.imageData = tqtest::imageOf(qRgb(200, 10, 10), "PNG", QSize(400, 100));
    auto row = rowFor(item);
    EXPECT_TRUE(row->showsThumbnail());
    EXPECT_EQ(row->thumbnailRect().size(), QSize(104, 26));
    EXPECT_EQ(row->leadingText(), QStringLiteral("Image"));
    QTRY_VERIFY(!row->thumbnail().isNull());
    EXPECT_EQ(row->thumbnail().pixelColor(10, 10).red(), 200);
}

// Image data that is no picture, or breaks off after a sound header, shows the entry's text.
TEST(ClipboardRow, BrokenImagesShowTheirText) {
    const QByteArray headerOnly = tqtest::imageOf(qRgb(1, 2, 3), "PNG", QSize(300, 200)).left(40);
    for (const QByteArray &data :
         {tqtest::testData("images/generated/png-is-actually-text.png"), headerOnly}) {
        ClipboardItem item = tqtest::entry(Kind::image, QStringLiteral("Image"));
        item.imageData = data;
        auto row = rowFor(item);
        QTRY_VERIFY(!row->showsThumbnail());
        EXPECT_EQ(row->leadingText(), QStringLiteral("Image"));
    }
}

} // namespace
