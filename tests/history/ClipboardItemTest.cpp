#include "history/ClipboardItem.h"
#include "HistoryTestSupport.h"

#include <QJsonArray>

#include <gtest/gtest.h>

namespace {

QJsonObject validObject() {
    return QJsonObject{
        {QStringLiteral("id"), QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F")},
        {QStringLiteral("kind"), QStringLiteral("rich")},
        {QStringLiteral("text"), QStringLiteral("hello")},
        {QStringLiteral("rtfData"), QStringLiteral("e1xydGYxfQ==")},
        {QStringLiteral("containsLink"), true},
        {QStringLiteral("copiedAt"), 786'000'000.25},
        {QStringLiteral("isPinned"), true}};
}

} // namespace

// A history row shows the first non-blank line of an entry, with its inner white space intact.
TEST(ClipboardItemTest, PreviewIsTheFirstNonBlankLine) {
    const struct {
        QString text;
        QString preview;
    } cases[] = {
        {QStringLiteral(" \t\n\r\n \u00A0\u3000\u0085\u2028\u2029\v\f"), QString()},
        {QStringLiteral("\n\n  first  \nsecond"), QStringLiteral("first  ")},
        {QStringLiteral("one\r\n\r\n\n\rtwo"), QStringLiteral("one")},
        {QStringLiteral("one\u2028two"), QStringLiteral("one")},
        {QStringLiteral("one\u2029two"), QStringLiteral("one")},
        {QStringLiteral("one\u0085two"), QStringLiteral("one")},
        {QStringLiteral("a\vb\fc"), QStringLiteral("a")},
        {QStringLiteral("one\t\r\ntwo"), QStringLiteral("one\t")},
        // No-break and ideographic spaces are white space but not breaks; U+001F and U+200B
        // are neither.
        {QStringLiteral("\u3000a\u00A0b\u3000c\u00A0"), QStringLiteral("a\u00A0b\u3000c")},
        {QStringLiteral("\u001Fa\u200B"), QStringLiteral("\u001Fa\u200B")},
        // Bounded: a long line is cut (never inside a surrogate pair), and only the head of a
        // long text is looked at.
        {QString(2000, u'x'), QString(1000, u'x')},
        {QString(999, u'x') + QStringLiteral("\U0001F600"), QString(999, u'x')},
        {QString(ClipboardItem::previewScan, u' ') + QStringLiteral("late"), QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tqtest::entry(ClipboardItem::Kind::text, c.text).preview(), c.preview)
            << c.text.toStdString();
}

// Files written by other tools still load: nulls, unknown keys and lower-case ids are fine.
TEST(ClipboardItemTest, ReaderAcceptsWhatTheFormatAllows) {
    QJsonObject object = validObject();
    object.insert(QStringLiteral("id"), QStringLiteral("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"));
    object.insert(QStringLiteral("rtfData"), QJsonValue::Null);
    object.insert(QStringLiteral("imageData"), QString());
    object.insert(QStringLiteral("thumbnail"), QJsonArray{1, 2});
    object.insert(QStringLiteral("copiedAt"), 0);
    const auto item = ClipboardItem::fromJson(object);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->id,
              QUuid::fromString(QStringLiteral("{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}")));
    EXPECT_EQ(item->kind, ClipboardItem::Kind::rich);
    EXPECT_FALSE(item->rtfData);
    EXPECT_EQ(item->imageData, QByteArray());
    EXPECT_EQ(item->copiedAt, 0.0);
}

// A damaged element is refused as a whole instead of loading half an entry. (Base64 itself is
// PinsJsonTest's.)
TEST(ClipboardItemTest, ReaderRefusesMalformedElements) {
    const struct {
        const char *key;
        QJsonValue value; // undefined removes the key
    } cases[] = {
        {"id", QJsonValue::Undefined},
        {"kind", QJsonValue::Undefined},
        {"text", QJsonValue::Undefined},
        {"containsLink", QJsonValue::Undefined},
        {"copiedAt", QJsonValue::Undefined},
        {"isPinned", QJsonValue::Undefined},
        {"text", QJsonValue::Null},
        {"id", 7},
        {"copiedAt", QStringLiteral("0")},
        {"isPinned", 1},
        {"containsLink", QStringLiteral("true")},
        {"rtfData", 5},
        {"kind", QStringLiteral("file")},
        {"kind", QStringLiteral("Text")},
        {"id", QStringLiteral("{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}")},
        {"id", QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5")},
        {"id", QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F\n")},
        {"id", QStringLiteral("E621E1F8C36C495A93FC0C247A3E6E5F")},
        {"id", QStringLiteral("G621E1F8-C36C-495A-93FC-0C247A3E6E5F")},
        {"rtfData", QStringLiteral("e1xydGYxfQ")},
        {"imageData", QStringLiteral("e1x*")},
        {"imageData", QStringLiteral("QQ\u0100=")},
    };
    ASSERT_TRUE(ClipboardItem::fromJson(validObject()));
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.key << " " << c.value.toVariant().toString().toStdString());
        QJsonObject object = validObject();
        if (c.value.isUndefined())
            object.remove(QLatin1String(c.key));
        else
            object.insert(QLatin1String(c.key), c.value);
        QString error;
        EXPECT_FALSE(ClipboardItem::fromJson(object, &error));
        EXPECT_FALSE(error.isEmpty());
    }
}
