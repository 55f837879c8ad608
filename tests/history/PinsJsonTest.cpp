#include "history/PinsJson.h"
#include "HistoryTestSupport.h"
#include "history/formats/Base64.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

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

// The file holds the element format, compact: upper-case UUID without braces, standard Base64,
// byte fields only when present (empty ones too), every time bit for bit; all of it reads back.
TEST(PinsJsonTest, WriterProducesTheElementFormat) {
    using Kind = ClipboardItem::Kind;
    ClipboardItem text =
        tqtest::entry(Kind::text,
                      QStringLiteral("\"quoted\" \\ back\tslash\n\x01\x1f \u00E9\u2028"
                                     "\U0001F600\uFEFF end"),
                      0.1 + 0.2);
    ClipboardItem rich = tqtest::entry(Kind::rich, QStringLiteral("rich"), -1234.000001);
    rich.rtfData = QByteArray("{\\rtf1\\ansi x}");
    rich.containsLink = true;
    rich.isPinned = true;
    ClipboardItem image = tqtest::entry(Kind::image, QStringLiteral("Image"), -0.0);
    // Over a megabyte, so its Base64 is written in several pieces.
    image.imageData = randomBytes(1024 * 1024 + 2);
    image.rtfData = QByteArray();
    ClipboardItem small =
        tqtest::entry(Kind::image, QStringLiteral("Image"), 786'000'000.0 + 1.0 / 3.0);
    small.id = QUuid::fromString(QStringLiteral("{e621e1f8-c36c-495a-93fc-0c247a3e6e5f}"));
    small.imageData = QByteArray("\x89PNG\r\n\x1a\n\0\xff", 10);
    const QList<ClipboardItem> items{text, rich, image, small};

    const QByteArray json = PinsJson::encode(items);
    const QJsonDocument document = QJsonDocument::fromJson(json);
    ASSERT_EQ(document.array().size(), items.size());
    EXPECT_EQ(
        document.array().at(3).toObject(),
        (QJsonObject{{QStringLiteral("id"), QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F")},
                     {QStringLiteral("kind"), QStringLiteral("image")},
                     {QStringLiteral("text"), QStringLiteral("Image")},
                     {QStringLiteral("imageData"), QStringLiteral("iVBORw0KGgoA/w==")},
                     {QStringLiteral("containsLink"), false},
                     {QStringLiteral("copiedAt"), 786'000'000.0 + 1.0 / 3.0},
                     {QStringLiteral("isPinned"), false}}));
    EXPECT_EQ(document.array().at(2).toObject().value(QStringLiteral("rtfData")), QString());
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
// anything Qt's parser or the entry reader refuses is refused as a whole. (Which elements the
// entry reader refuses is ClipboardItemTest's.)
TEST(PinsJsonTest, ReaderAgreesWithQtsParser) {
    const QByteArray entry(kEntry);
    // The entry in an array of its own, with one piece of its text replaced.
    const auto one = [&entry](const char *from, const char *to) {
        return "[" + QByteArray(entry).replace(from, to) + "]";
    };
    const QByteArray accepted[] = {
        "[]",
        " \n[ \t]\r\n",
        "[" + entry + "]",
        "[" + entry + "," + entry + "]",
        one("\"kind\":\"text\"", "\"kind\":\"rich\",\"rtfData\":\"e1x\\/dGYxfQ==\""),
        one("\"text\":\"hi\"", "\"text\":\"a\\\"b\\\\c\\/\\b\\f\\n\\r\\t\\u00e9\\ud83d\\ude00\""),
        one("\"hi\"", "\"caf\xc3\xa9 \xf0\x9f\x98\x80\""),
        one("\"copiedAt\":1.5", "\"copiedAt\":-7.25E+2"),
        one("\"copiedAt\":1.5", "\"copiedAt\":0"),
        one("{", "{\"extra\":{\"a\":[1,true,null,\"x\",{\"b\":-0.5e-3}]},"),
        one("{", "{ \"isPinned\" : false , "),
        one("{", "{\"imageData\":null,\"rtfData\":\"QQ==\",\"rtfData\":null,"),
        one("\"hi\"", "\"h\ti\n\""), // raw controls, as Qt allows
        one("\"hi\"", "\"h\\xi\""),
        one("1.5", "1."),
        one("1.5", ".5"),
        one("\"kind\":\"text\"", "\"kind\":\"text\",\"imageData\":\"Q\\u0051==\"")};
    const QByteArray refused[] = {
        "", "   ", "{}", "[" + entry, "[" + entry + ",]", "[" + entry + "] x", "[" + entry + "][]",
        "[1]", "[[]]", one("\"hi\"", "\"h\\u00zz\""), one("\"hi\"", "\"unterminated"),
        one("\"hi\"", "\"\xc3\x28\""), one("\"hi\"", "\"\xff\""), one("1.5", "01"),
        one("1.5", "+1"), one("1.5", "-"), one("1.5", "1e"), one("1.5", "NaN"),
        one("false", "False"), one("{", "{\"extra\":tru,"), one("{", "{\"extra\":[1 2],"),
        one("{", "{extra:1,"), one("{", "{\"extra\"1,"), one(",\"copiedAt\"", ",,\"copiedAt\""),
        one("\"kind\":\"text\"", "\"kind\":\"text\",\"imageData\":\"QQ==\\n\""),
        // One bad element refuses the whole file.
        "[" + entry + "," + QByteArray(entry).replace("E621E1F8", "E621E1F") + "]"};
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
    const QByteArray bad[] = {
        "QR=A",      "=QQQ", "QQ=",      "Q",   QByteArray("QQ\0Q", 4), "QQQQ====", "QQ\r\n",
        "e1xy dGY=", "-_-_", "QQ==QQ==", "Q==="};
    for (const QByteArray &text : bad)
        EXPECT_FALSE(Base64::decode(text)) << text.toStdString();
}
