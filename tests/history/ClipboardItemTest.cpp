#include "history/ClipboardItem.h"

#include <gtest/gtest.h>

// Placeholder so the folder builds; the model's tests replace it.
TEST(ClipboardItemSmoke, ImagePreviewIsImage) {
    ClipboardItem item;
    item.kind = ClipboardItem::Kind::image;
    item.text = QStringLiteral("Image");
    EXPECT_EQ(item.preview(), QStringLiteral("Image"));
}
