#include "history/PasteboardWriter.h"
#include "HistoryTestSupport.h"
#include "history/ClipboardMonitor.h"
#include "history/PinStore.h"
#include "settings/AppSettings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace tqtest;
using Kind = ClipboardItem::Kind;

// Pasting gives the other program the entry in the flavours it can use, in one change the
// history does not record: a rich entry as RTF, HTML and text; a plain paste as text only; an
// image as PNG (converted when a hand-edited pins file holds another format), or nothing when
// there is no readable image.
TEST(PasteboardWriterTest, Flavours) {
    FakePasteboard pasteboard;
    AppSettings settings(std::make_unique<MemoryDefaults>());
    QTemporaryDir dir;
    PinStore pins(dir.path());
    ClipboardMonitor monitor(pasteboard, settings, pins);
    const QByteArray rtf("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"https://example.org/\"}"
                         "{\\fldrslt link}}}");
    const QByteArray png = imageOf(qRgb(1, 2, 3));
    const QString text = QStringLiteral(" some text ");
    const auto entry = [&](Kind kind, std::optional<QByteArray> rtf,
                           std::optional<QByteArray> image) {
        return ClipboardItem{QUuid::createUuid(), kind, text, rtf, image, false, 1.0, false};
    };
    const struct {
        ClipboardItem item;
        bool plainText;
        const char *offered; // s: text, r: RTF, h: HTML, i: image
    } cases[] = {
        {entry(Kind::text, {}, {}), false, "s"},
        {entry(Kind::rich, rtf, {}), false, "rhs"},
        {entry(Kind::rich, rtf, {}), true, "s"},
        {entry(Kind::rich, {}, {}), false, "s"},
        {entry(Kind::image, {}, png), false, "i"},
        {entry(Kind::image, {}, png), true, "s"},
        {entry(Kind::image, {}, imageOf(qRgb(1, 2, 3), "BMP")), false, "i"},
        {entry(Kind::image, {}, {}), false, ""},
        {entry(Kind::image, {}, QByteArray("junk")), false, ""},
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
        if (on.string) {
            EXPECT_EQ(*on.string, text);
        }
        if (on.rtf) {
            EXPECT_EQ(*on.rtf, rtf);
        }
        if (on.html) {
            EXPECT_TRUE(on.html->contains("https://example.org/"));
        }
        if (on.image) {
            EXPECT_EQ(QImage::fromData(on.image->data, "PNG").size(), QSize(4, 3));
        }

        pollAndSettle(monitor);
        EXPECT_FALSE(monitor.selfCopyUntilChangeCount());
        EXPECT_EQ(texts(monitor.items()), "foreign");
    }
}

} // namespace
