#include "history/PinsJson.h"
#include "history/Base64.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

ClipboardItem item(ClipboardItem::Kind kind, const QString &text) {
    ClipboardItem entry;
    entry.id = QUuid::createUuid();
    entry.kind = kind;
    entry.text = text;
    entry.copiedAt = 786'000'000.0 + 1.0 / 3.0;
    return entry;
}

QByteArray randomBytes(qsizetype size) {
    QList<quint32> words(size / 4 + 1);
    QRandomGenerator::global()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char *>(words.constData()), size);
}

// The reference reading: Qt's JSON parser followed by the entry reader, element by element.
std::optional<QList<ClipboardItem>> referenceRead(const QByteArray &json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<ClipboardItem> items;
    for (const QJsonValue &value : document.array()) {
        const auto entry = value.isObject() ? ClipboardItem::fromJson(value.toObject())
                                            : std::optional<ClipboardItem>();
        if (!entry)
            return std::nullopt;
        items.append(*entry);
    }
    return items;
}

void expectSameEntries(const QList<ClipboardItem> &actual, const QList<ClipboardItem> &expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].id, expected[i].id);
        EXPECT_EQ(actual[i].kind, expected[i].kind);
        EXPECT_EQ(actual[i].text, expected[i].text);
        EXPECT_EQ(actual[i].rtfData, expected[i].rtfData);
        EXPECT_EQ(actual[i].imageData, expected[i].imageData);
        EXPECT_EQ(actual[i].containsLink, expected[i].containsLink);
        EXPECT_EQ(actual[i].copiedAt, expected[i].copiedAt);
        EXPECT_EQ(actual[i].isPinned, expected[i].isPinned);
    }
}

const char kEntry[] = R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","kind":"text","text":"hi",)"
                      R"("containsLink":false,"copiedAt":1.5,"isPinned":true})";

} // namespace

// The file holds exactly the element format: compact, every entry as toJson gives it.
TEST(PinsJsonTest, WriterProducesTheElementFormat) {
    ClipboardItem text = item(ClipboardItem::Kind::text,
                              QStringLiteral("\"quoted\" \\ back\tslash\n\x01\x1f \u00E9\u2028"
                                             "\U0001F600\uFEFF end"));
    ClipboardItem rich = item(ClipboardItem::Kind::rich, QStringLiteral("rich"));
    rich.rtfData = QByteArray("{\\rtf1\\ansi x}");
    rich.containsLink = true;
    rich.isPinned = true;
    ClipboardItem image = item(ClipboardItem::Kind::image, QStringLiteral("Image"));
    // Over a megabyte, so its Base64 is written in several pieces.
    image.imageData = randomBytes(1024 * 1024 + 2);
    image.copiedAt = -0.0;
    const QList<ClipboardItem> items{text, rich, image};

    const QByteArray json = PinsJson::encode(items);
    const QJsonDocument document = QJsonDocument::fromJson(json);
    ASSERT_TRUE(document.isArray());
    ASSERT_EQ(document.array().size(), items.size());
    for (qsizetype i = 0; i < items.size(); ++i)
        EXPECT_EQ(document.array().at(i).toObject(), items[i].toJson()) << "entry " << i;
    bool inString = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        if (json[i] == '"') {
            inString = !inString;
        } else if (inString) {
            i += json[i] == '\\';
        } else {
            ASSERT_FALSE(QChar::isSpace(json[i])) << "white space at offset " << i;
        }
    }

    const auto back = PinsJson::read(json);
    ASSERT_TRUE(back);
    expectSameEntries(*back, items);
    EXPECT_EQ(PinsJson::encode({}), QByteArray("[]"));
}

// Any JSON text another tool may have written reads as Qt's own parser would read it, and
// anything Qt's parser or the entry reader refuses is refused as a whole.
TEST(PinsJsonTest, ReaderAgreesWithQtsParser) {
    const QByteArray entry(kEntry);
    const auto with = [&entry](const char *from, const char *to) {
        return QByteArray(entry).replace(from, to);
    };
    const QByteArray accepted[] = {
        "[]",
        " \n[ \t]\r\n",
        "[" + entry + "]",
        "[" + entry + "," + entry + "]",
        "[" + with("\"kind\":\"text\"", "\"kind\":\"rich\",\"rtfData\":\"e1x\\/dGYxfQ==\"") + "]",
        "[" +
            with("\"text\":\"hi\"",
                 "\"text\":\"a\\\"b\\\\c\\/\\b\\f\\n\\r\\t\\u00e9\\ud83d\\ude00\"") +
            "]",
        "[" + with("\"hi\"", "\"caf\xc3\xa9 \xf0\x9f\x98\x80\"") + "]",
        "[" + with("\"copiedAt\":1.5", "\"copiedAt\":-7.25E+2") + "]",
        "[" + with("\"copiedAt\":1.5", "\"copiedAt\":0") + "]",
        "[" + with("{", "{\"extra\":{\"a\":[1,true,null,\"x\",{\"b\":-0.5e-3}]},") + "]",
        "[" + with("{", "{ \"isPinned\" : false , ") + "]",
        "[" + with("{", "{\"imageData\":null,\"rtfData\":\"QQ==\",\"rtfData\":null,") + "]",
        "[" + with("\"hi\"", "\"h\ti\n\"") + "]", // raw controls, as Qt allows
        "[" + with("\"hi\"", "\"h\\xi\"") + "]",
        "[" + with("1.5", "1.") + "]",
        "[" + with("1.5", ".5") + "]",
        "[" + with("\"kind\":\"text\"", "\"kind\":\"text\",\"imageData\":\"Q\\u0051==\"") + "]",
    };
    const QByteArray refused[] = {
        "",
        "   ",
        "{}",
        "[" + entry,
        "[" + entry + ",]",
        "[" + entry + "] x",
        "[" + entry + "][]",
        "[1]",
        "[[]]",
        "[" + with("\"hi\"", "\"h\\u00zz\"") + "]",
        "[" + with("\"hi\"", "\"unterminated") + "]",
        "[" + with("\"hi\"", "\"\xc3\x28\"") + "]",
        "[" + with("\"hi\"", "\"\xff\"") + "]",
        "[" + with("1.5", "01") + "]",
        "[" + with("1.5", "+1") + "]",
        "[" + with("1.5", "-") + "]",
        "[" + with("1.5", "1e") + "]",
        "[" + with("1.5", "NaN") + "]",
        "[" + with("false", "False") + "]",
        "[" + with("{", "{\"extra\":tru,") + "]",
        "[" + with("{", "{\"extra\":[1 2],") + "]",
        "[" + with("{", "{extra:1,") + "]",
        "[" + with("{", "{\"extra\"1,") + "]",
        "[" + with(",\"copiedAt\"", ",,\"copiedAt\"") + "]",
        "[" + with("\"kind\":\"text\"", "\"kind\":\"video\"") + "]",
        "[" + with("\"kind\":\"text\"", "\"kind\":\"text\",\"imageData\":\"QQ=\"") + "]",
        "[" + with("\"kind\":\"text\"", "\"kind\":\"text\",\"imageData\":\"QQ==\\n\"") + "]",
        "[" + with("\"kind\":\"text\"", "\"kind\":\"text\",\"imageData\":5") + "]",
        "[" + with(",\"isPinned\":true", "") + "]",
        "[" + entry + "," + with("E621E1F8", "E621E1F") + "]",
    };
    const auto check = [](const QByteArray &json, bool accept) {
        SCOPED_TRACE(json.left(200).toStdString());
        QString error;
        const auto ours = PinsJson::read(json, &error);
        const auto reference = referenceRead(json);
        ASSERT_EQ(reference.has_value(), accept);
        ASSERT_EQ(ours.has_value(), accept) << error.toStdString();
        if (ours)
            expectSameEntries(*ours, *reference);
        else
            EXPECT_FALSE(error.isEmpty());
    };
    for (const QByteArray &json : accepted)
        check(json, true);
    for (const QByteArray &json : refused)
        check(json, false);
}

// Input beyond what Qt's parser handles the same way is still answered sensibly, without crashing.
TEST(PinsJsonTest, ReaderHandlesOddInputSafely) {
    const QByteArray entry(kEntry);
    EXPECT_TRUE(PinsJson::read("\xEF\xBB\xBF[" + entry + "]")) << "a leading byte-order mark";
    const QByteArray deep =
        QByteArray("[{\"extra\":") + QByteArray(100'000, '[') + QByteArray(100'000, ']') + "}]";
    QString error;
    EXPECT_FALSE(PinsJson::read(deep, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("nested"))) << error.toStdString();

    const auto lone =
        PinsJson::read("[" + QByteArray(entry).replace("\"hi\"", "\"\\ud800x\"") + "]");
    ASSERT_TRUE(lone);
    EXPECT_EQ(lone->at(0).text, QStringLiteral("\uFFFDx"));

    // Errors say where: the offset of the fault, or the entry and what is wrong with it.
    EXPECT_FALSE(PinsJson::read("[" + entry + ",x]", &error));
    EXPECT_EQ(error, QStringLiteral("entry 1: not an object at offset %1").arg(entry.size() + 2));
    EXPECT_FALSE(
        PinsJson::read("[" + QByteArray(entry).replace("\"text\":", "\"txt\":") + "]", &error));
    EXPECT_EQ(error, QStringLiteral("entry 0: missing key \"text\""));
}

// Byte fields survive every length and every byte value.
TEST(PinsJsonTest, Base64MatchesQtsCodec) {
    for (qsizetype size : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 64, 1000, 1001, 1002}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = randomBytes(size);
        const QByteArray text = Base64::encode(bytes);
        EXPECT_EQ(text, bytes.toBase64());
        EXPECT_EQ(Base64::decode(text), bytes);
    }
    for (const char *bad : {"QR=A", "=QQQ", "QQ=", "Q", "QQ\0Q", "QQQQ====", "QQ\r\n"})
        EXPECT_FALSE(Base64::decode(QByteArrayView(bad, qstrlen(bad)))) << bad;
}
