#include "popup/ClipboardRow.h"
#include "history/HistoryTestSupport.h"
#include "popup/IconButton.h"
#include "popup/PopupStyle.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Kind = ClipboardItem::Kind;

QColor white(double opacity) {
    return PopupStyle::withOpacity(Qt::white, opacity);
}

ClipboardItem entry(Kind kind, const QString &text, bool pinned = false, bool link = false) {
    ClipboardItem item;
    item.id = QUuid::createUuid();
    item.kind = kind;
    item.text = text;
    item.isPinned = pinned;
    item.containsLink = link;
    return item;
}

std::unique_ptr<ClipboardRow> rowFor(const ClipboardItem &item, bool selected,
                                     bool withPlainPaste = false) {
    auto row = std::make_unique<ClipboardRow>(
        item, selected, [] {},
        withPlainPaste ? std::function<void()>([] {}) : std::function<void()>());
    row->resize(360, row->height());
    return row;
}

// The controls, their symbols, tooltips and colours follow the pin and selection state.
TEST(ClipboardRow, ControlsByPinAndSelection) {
    const struct {
        bool pinned, selected;
        const char *symbol, *tooltip;
        QColor pin, text;
    } cases[] = {
        {true, true, "pin.fill", "Unpin", Qt::white, Qt::white},
        {true, false, "pin.fill", "Unpin", PopupStyle::accent(), PopupStyle::primary()},
        {false, true, "pin", "Pin", white(0.5), Qt::white},
        {false, false, "pin", "Pin", PopupStyle::withOpacity(PopupStyle::secondary(), 0.35),
         PopupStyle::primary()},
    };
    for (const auto &c : cases) {
        auto row =
            rowFor(entry(Kind::text, QStringLiteral("  hello\nworld"), c.pinned), c.selected);
        const std::string where = std::string(c.symbol) + (c.selected ? " selected" : "");
        EXPECT_EQ(row->pinButton()->symbol(), QLatin1String(c.symbol)) << where;
        EXPECT_EQ(row->pinButton()->toolTip(), QLatin1String(c.tooltip)) << where;
        EXPECT_EQ(row->pinButton()->colour(), c.pin) << where;
        EXPECT_EQ(row->textColour(), c.text) << where;
        EXPECT_EQ(row->leadingText(), QStringLiteral("hello")) << where;
        EXPECT_EQ(row->plainPasteButton(), nullptr);
        EXPECT_FALSE(row->showsLinkMarker());
    }
}

// A selected rich entry with a link: marker and plain-paste control in white, dimmed as drawn.
TEST(ClipboardRow, RichRowWithLink) {
    auto row = rowFor(entry(Kind::rich, QStringLiteral("see https://example.org"), true, true),
                      true, true);
    EXPECT_TRUE(row->showsLinkMarker());
    EXPECT_EQ(row->linkColour(), white(0.85));
    ASSERT_NE(row->plainPasteButton(), nullptr);
    EXPECT_EQ(row->plainPasteButton()->toolTip(), QStringLiteral("Paste without formatting"));
    EXPECT_EQ(row->plainPasteButton()->colour(), white(0.7));
    row->setSelected(false);
    EXPECT_EQ(row->linkColour(), PopupStyle::secondary());
    EXPECT_EQ(row->plainPasteButton()->colour(),
              PopupStyle::withOpacity(PopupStyle::secondary(), 0.55));
    EXPECT_EQ(row->pinButton()->colour(), PopupStyle::accent());
}

// A wide picture becomes a thumbnail no higher than 26 points, undistorted, beside "Image".
TEST(ClipboardRow, ImageThumbnailKeepsItsShape) {
    ClipboardItem item = entry(Kind::image, QStringLiteral("Image"));
    item.imageData = tqtest::imageOf(qRgb(200, 10, 10), "PNG", QSize(400, 100));
    auto row = rowFor(item, false);
    EXPECT_TRUE(row->showsThumbnail());
    EXPECT_EQ(row->thumbnailRect().size(), QSize(104, 26));
    EXPECT_EQ(row->leadingText(), QStringLiteral("Image"));
    QTRY_VERIFY(!row->thumbnail().isNull());
    EXPECT_EQ(row->thumbnail().pixelColor(10, 10).red(), 200);
}

// Image data that is no picture, or breaks off after a sound header, shows the entry's text.
TEST(ClipboardRow, BrokenImagesShowTheirText) {
    QFile text(
        QStringLiteral(TQ_TEST_DATA_DIR "/capture/images/generated/png-is-actually-text.png"));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    const QByteArray headerOnly = tqtest::imageOf(qRgb(1, 2, 3), "PNG", QSize(300, 200)).left(40);
    for (const QByteArray &data : {text.readAll(), headerOnly}) {
        ClipboardItem item = entry(Kind::image, QStringLiteral("Image"));
        item.imageData = data;
        auto row = rowFor(item, false);
        QTRY_VERIFY(!row->showsThumbnail());
        EXPECT_EQ(row->leadingText(), QStringLiteral("Image"));
    }
}

} // namespace
