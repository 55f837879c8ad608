#include "history/ClipboardItem.h"

#include <QDateTime>
#include <QJsonArray>

#include <gtest/gtest.h>

#include <cmath>

namespace {

ClipboardItem textItem(const QString &text) {
    ClipboardItem item;
    item.id = QUuid::createUuid();
    item.text = text;
    return item;
}

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

struct PreviewCase {
    const char *name;
    QString text;
    QString preview;
};

} // namespace

// A history row shows the first non-blank line of an entry, with its inner white space intact.
TEST(ClipboardItemTest, PreviewIsTheFirstNonBlankLine) {
    const PreviewCase cases[] = {
        {"only blanks", QStringLiteral(" \t\n\r\n \u00A0\u3000\u0085\u2028\u2029\v\f"), QString()},
        {"leading blank lines, trailing spaces kept", QStringLiteral("\n\n  first  \nsecond"),
         QStringLiteral("first  ")},
        {"CR LF is one break", QStringLiteral("one\r\ntwo"), QStringLiteral("one")},
        {"blank pieces dropped", QStringLiteral("one\r\n\r\n\n\rtwo"), QStringLiteral("one")},
        {"LINE SEPARATOR", QStringLiteral("one\u2028two"), QStringLiteral("one")},
        {"PARAGRAPH SEPARATOR", QStringLiteral("one\u2029two"), QStringLiteral("one")},
        {"NEL", QStringLiteral("one\u0085two"), QStringLiteral("one")},
        {"vertical tab and form feed", QStringLiteral("a\vb\fc"), QStringLiteral("a")},
        {"tab before the break kept", QStringLiteral("one\t\r\ntwo"), QStringLiteral("one\t")},
        {"no-break and ideographic spaces are not breaks",
         QStringLiteral("\u3000a\u00A0b\u3000c\u00A0"), QStringLiteral("a\u00A0b\u3000c")},
        {"unit separator and zero-width space are not white space", QStringLiteral("\u001Fa\u200B"),
         QStringLiteral("\u001Fa\u200B")},
        {"single line", QStringLiteral("Image"), QStringLiteral("Image")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(textItem(c.text).preview(), c.preview);
    }
}

// Pinning, unpinning and duplicates are decided by identity, never by content.
TEST(ClipboardItemTest, EqualityIsByIdOnly) {
    const ClipboardItem a = textItem(QStringLiteral("same"));
    const ClipboardItem b = textItem(QStringLiteral("same"));
    EXPECT_FALSE(a == b);

    ClipboardItem changed = a;
    changed.isPinned = !a.isPinned;
    changed.text = QStringLiteral("other");
    changed.kind = ClipboardItem::Kind::image;
    EXPECT_TRUE(a == changed);
}

// A pinned entry comes back from disk exactly as it was, bytes and time included.
TEST(ClipboardItemTest, JsonRoundTripKeepsEveryField) {
    ClipboardItem plain = textItem(QStringLiteral("plain \"text\"\n\u00E9\U0001F600"));
    plain.copiedAt = 0.1 + 0.2;
    ClipboardItem rich = textItem(QStringLiteral("rich"));
    rich.kind = ClipboardItem::Kind::rich;
    rich.rtfData = QByteArray("{\\rtf1 rich}");
    rich.containsLink = true;
    rich.copiedAt = -1234.000001;
    rich.isPinned = true;
    ClipboardItem image = textItem(QStringLiteral("Image"));
    image.kind = ClipboardItem::Kind::image;
    image.imageData = QByteArray("\x89PNG\r\n\x1a\n\0\xff", 10);
    image.rtfData = QByteArray(); // present but empty stays present
    image.copiedAt = 786'000'000.0 + 1.0 / 3.0;

    for (const ClipboardItem &item : {plain, rich, image}) {
        SCOPED_TRACE(item.text.toStdString());
        const QJsonObject json = item.toJson();
        const QString id = json.value(QStringLiteral("id")).toString();
        EXPECT_EQ(id.size(), 36);
        EXPECT_EQ(id, id.toUpper());
        EXPECT_EQ(json.contains(QStringLiteral("rtfData")), item.rtfData.has_value());
        EXPECT_EQ(json.contains(QStringLiteral("imageData")), item.imageData.has_value());

        const auto back = ClipboardItem::fromJson(json);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->id, item.id);
        EXPECT_EQ(back->kind, item.kind);
        EXPECT_EQ(back->text, item.text);
        EXPECT_EQ(back->rtfData, item.rtfData);
        EXPECT_EQ(back->imageData, item.imageData);
        EXPECT_EQ(back->containsLink, item.containsLink);
        EXPECT_EQ(back->copiedAt, item.copiedAt); // bit for bit
        EXPECT_EQ(back->isPinned, item.isPinned);
    }
    EXPECT_EQ(image.toJson().value(QStringLiteral("imageData")).toString(),
              QStringLiteral("iVBORw0KGgoA/w=="));
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

// A damaged element is refused as a whole instead of loading half an entry.
TEST(ClipboardItemTest, ReaderRefusesMalformedElements) {
    struct Case {
        const char *name;
        QString key;
        QJsonValue value; // undefined removes the key
    };
    const Case cases[] = {
        {"missing id", QStringLiteral("id"), QJsonValue::Undefined},
        {"missing kind", QStringLiteral("kind"), QJsonValue::Undefined},
        {"missing text", QStringLiteral("text"), QJsonValue::Undefined},
        {"missing containsLink", QStringLiteral("containsLink"), QJsonValue::Undefined},
        {"missing copiedAt", QStringLiteral("copiedAt"), QJsonValue::Undefined},
        {"missing isPinned", QStringLiteral("isPinned"), QJsonValue::Undefined},
        {"null text", QStringLiteral("text"), QJsonValue::Null},
        {"number as id", QStringLiteral("id"), 7},
        {"string as copiedAt", QStringLiteral("copiedAt"), QStringLiteral("0")},
        {"number as isPinned", QStringLiteral("isPinned"), 1},
        {"string as containsLink", QStringLiteral("containsLink"), QStringLiteral("true")},
        {"number as rtfData", QStringLiteral("rtfData"), 5},
        {"unknown kind", QStringLiteral("kind"), QStringLiteral("file")},
        {"kind in capitals", QStringLiteral("kind"), QStringLiteral("Text")},
        {"id in braces", QStringLiteral("id"),
         QStringLiteral("{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}")},
        {"id of 35 characters", QStringLiteral("id"),
         QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5")},
        {"id with a trailing newline", QStringLiteral("id"),
         QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F\n")},
        {"id without hyphens", QStringLiteral("id"),
         QStringLiteral("E621E1F8C36C495A93FC0C247A3E6E5F")},
        {"id with a non-hex digit", QStringLiteral("id"),
         QStringLiteral("G621E1F8-C36C-495A-93FC-0C247A3E6E5F")},
        {"Base64 without padding", QStringLiteral("rtfData"), QStringLiteral("e1xydGYxfQ")},
        {"Base64 with a space", QStringLiteral("rtfData"), QStringLiteral("e1xy dGYxfQ==")},
        {"Base64 with a line break", QStringLiteral("rtfData"), QStringLiteral("e1xy\ndGYxfQ==")},
        {"Base64 with a bad character", QStringLiteral("imageData"), QStringLiteral("e1x*")},
        {"Base64 URL alphabet", QStringLiteral("imageData"), QStringLiteral("-_-_")},
        {"Base64 padding in the middle", QStringLiteral("imageData"), QStringLiteral("QQ==QQ==")},
        {"Base64 with three '='", QStringLiteral("imageData"), QStringLiteral("Q===")},
        {"Base64 with a non-Latin-1 character", QStringLiteral("imageData"),
         QStringLiteral("QQ\u0100=")},
    };
    ASSERT_TRUE(ClipboardItem::fromJson(validObject()));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QJsonObject object = validObject();
        if (c.value.isUndefined())
            object.remove(c.key);
        else
            object.insert(c.key, c.value);
        QString error;
        EXPECT_FALSE(ClipboardItem::fromJson(object, &error));
        EXPECT_FALSE(error.isEmpty());
    }
}

// Times are counted from 2001-01-01 00:00:00 UTC, so pins keep their age across restarts.
TEST(ClipboardItemTest, TimesCountFromTheStartOf2001) {
    const QDateTime origin(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    const double expected = origin.msecsTo(QDateTime::currentDateTimeUtc()) / 1000.0;
    EXPECT_LT(std::abs(ClipboardItem::now() - expected), 5.0);
}
