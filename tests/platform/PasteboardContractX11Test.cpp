#include "platform/x11/X11Pasteboard.h"
#include "support/FakePasteboard.h"

#include "support/ClipboardClients.h"

#include <gtest/gtest.h>

// One body for the in-memory pasteboard of the unit tests and the real one, so the fake that
// the history's tests rely on cannot drift from the clipboard the program uses.

namespace {

template <typename T>
class PasteboardContract : public ::testing::Test {
protected:
    // The real clipboard may report changes late; the count is judged after they are in.
    qint64 settledCount() {
        EXPECT_TRUE(tqtest::waitForQtToCatchUp());
        return pasteboard.changeCount();
    }

    T pasteboard;
};

using Implementations = ::testing::Types<tqtest::FakePasteboard, X11Pasteboard>;
TYPED_TEST_SUITE(PasteboardContract, Implementations);

// Writing an entry back is one change, and the entry reads back flavour by flavour.
TYPED_TEST(PasteboardContract, OneWriteIsOneChangeAndReadsBack) {
    Pasteboard &pasteboard = this->pasteboard;
    const qint64 before = this->settledCount();

    const QByteArray rtf = QByteArrayLiteral("{\\rtf1\\ansi Gr\\u252?\\'fc\\'dfe}");
    const QString text = QStringLiteral("Grüße  \n");
    pasteboard.setContents({.string = text, .rtf = rtf, .html = QByteArrayLiteral("<p>Grüße</p>")});
    EXPECT_EQ(this->settledCount(), before + 1);
    EXPECT_EQ(pasteboard.contents()->string(tqtest::kAnySize).value, text);
    EXPECT_EQ(pasteboard.contents()->rtfData(tqtest::kAnySize).value, rtf);
    EXPECT_EQ(pasteboard.contents()->htmlData(tqtest::kAnySize).value,
              QByteArrayLiteral("<p>Grüße</p>"));
    EXPECT_FALSE(pasteboard.contents()->image(tqtest::kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->isConcealed());

    const QByteArray png = QByteArrayLiteral("\x89PNG\r\n\x1a\n not decoded by the pasteboard");
    pasteboard.setContents({.png = png});
    EXPECT_EQ(this->settledCount(), before + 2);
    const std::optional<PasteboardImage> image =
        pasteboard.contents()->image(tqtest::kAnySize).value;
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->data, png);
    EXPECT_EQ(image->mimeType, QByteArrayLiteral("image/png"));
    EXPECT_FALSE(pasteboard.contents()->string(tqtest::kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->rtfData(tqtest::kAnySize).value.has_value());
}

// A write that stops after clearing (an image that cannot be built) leaves nothing to read.
TYPED_TEST(PasteboardContract, ClearingAloneEmptiesIt) {
    Pasteboard &pasteboard = this->pasteboard;
    pasteboard.setContents({.string = QStringLiteral("before")});
    const qint64 before = this->settledCount();
    pasteboard.setContents({});
    EXPECT_EQ(this->settledCount(), before + 1);
    EXPECT_FALSE(pasteboard.contents()->string(tqtest::kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->rtfData(tqtest::kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->htmlData(tqtest::kAnySize).value.has_value());
    EXPECT_FALSE(pasteboard.contents()->image(tqtest::kAnySize).value.has_value());
}

} // namespace
