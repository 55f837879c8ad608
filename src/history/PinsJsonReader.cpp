#include "history/PinsJson.h"

#include "history/formats/Base64.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringDecoder>

#include <charconv>
#include <cstring>

namespace {

// Deeper nesting than this, possible only in keys the entries do not use, is refused rather
// than risking the stack.
constexpr int kMaxDepth = 256;

const QString kRtfData = QStringLiteral("rtfData");
const QString kImageData = QStringLiteral("imageData");

void appendUtf8(QByteArray *out, char32_t code) {
    if (code < 0x80) {
        out->append(char(code));
    } else if (code < 0x800) {
        out->append(char(0xC0 | (code >> 6)));
        out->append(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->append(char(0xE0 | (code >> 12)));
        out->append(char(0x80 | ((code >> 6) & 0x3F)));
        out->append(char(0x80 | (code & 0x3F)));
    } else {
        out->append(char(0xF0 | (code >> 18)));
        out->append(char(0x80 | ((code >> 12) & 0x3F)));
        out->append(char(0x80 | ((code >> 6) & 0x3F)));
        out->append(char(0x80 | (code & 0x3F)));
    }
}

// A strict JSON reader for the one shape the pins file has. Base64 fields are decoded straight
// from the text; everything else of an entry goes through ClipboardItem::fromJson.
class Reader {
public:
    explicit Reader(QByteArrayView json)
        : m_begin(json.data())
        , m_at(json.data())
        , m_end(json.data() + json.size()) {}

    std::optional<QList<ClipboardItem>> pins() {
        if (m_end - m_at >= 3 && std::memcmp(m_at, "\xEF\xBB\xBF", 3) == 0)
            m_at += 3;
        skipSpace();
        if (m_at == m_end) {
            m_error = QStringLiteral("the file is empty");
            return std::nullopt;
        }
        if (*m_at != '[')
            return fail(QStringLiteral("the top level is not an array")), std::nullopt;
        ++m_at;
        QList<ClipboardItem> items;
        skipSpace();
        if (m_at < m_end && *m_at == ']') {
            ++m_at;
        } else {
            for (;;) {
                skipSpace();
                ClipboardItem item;
                if (!readEntry(&item, items.size()))
                    return std::nullopt;
                items.append(std::move(item));
                skipSpace();
                if (m_at < m_end && *m_at == ',') {
                    ++m_at;
                    continue;
                }
                if (m_at < m_end && *m_at == ']') {
                    ++m_at;
                    break;
                }
                return fail(QStringLiteral("expected ',' or ']'")), std::nullopt;
            }
        }
        skipSpace();
        if (m_at != m_end)
            return fail(QStringLiteral("unexpected text after the array")), std::nullopt;
        return items;
    }

    QString error() const { return m_error; }

private:
    qsizetype offset() const { return m_at - m_begin; }

    bool fail(const QString &what) {
        if (m_at >= m_end)
            m_error = QStringLiteral("%1 at the end of the file").arg(what);
        else
            m_error = QStringLiteral("%1 at offset %2").arg(what).arg(offset());
        return false;
    }

    bool failEntry(qsizetype index, const QString &what) {
        m_error = QStringLiteral("entry %1: %2").arg(index).arg(what);
        return false;
    }

    void skipSpace() {
        while (m_at < m_end && (*m_at == ' ' || *m_at == '\n' || *m_at == '\r' || *m_at == '\t'))
            ++m_at;
    }

    bool expect(char c, const QString &what) {
        skipSpace();
        if (m_at == m_end || *m_at != c)
            return fail(what);
        ++m_at;
        return true;
    }

    bool readEntry(ClipboardItem *item, qsizetype index) {
        if (m_at == m_end || *m_at != '{')
            return failEntry(index, QStringLiteral("not an object at offset %1").arg(offset()));
        ++m_at;
        QJsonObject object;
        std::optional<QByteArray> rtfData;
        std::optional<QByteArray> imageData;
        skipSpace();
        if (m_at < m_end && *m_at == '}') {
            ++m_at;
        } else {
            for (;;) {
                skipSpace();
                if (m_at == m_end || *m_at != '"')
                    return fail(QStringLiteral("expected a key"));
                QString key;
                if (!readText(&key) || !expect(':', QStringLiteral("expected ':'")))
                    return false;
                skipSpace();
                const bool isBytes = key == kRtfData || key == kImageData;
                auto &bytes = key == kRtfData ? rtfData : imageData;
                if (isBytes && m_at < m_end && *m_at == '"') {
                    QByteArrayView text;
                    QByteArray storage;
                    if (!readString(&text, &storage))
                        return false;
                    bytes = Base64::decode(text);
                    if (!bytes)
                        return failEntry(index,
                                         QStringLiteral("\"%1\" is not valid Base64").arg(key));
                    object.remove(key);
                } else if (isBytes || isEntryKey(key)) {
                    QJsonValue value;
                    if (!readValue(&value, 1))
                        return false;
                    if (isBytes)
                        bytes.reset();
                    object.insert(key, value);
                } else if (!readValue(nullptr, 1)) {
                    return false;
                }
                skipSpace();
                if (m_at < m_end && *m_at == ',') {
                    ++m_at;
                    continue;
                }
                if (m_at < m_end && *m_at == '}') {
                    ++m_at;
                    break;
                }
                return fail(QStringLiteral("expected ',' or '}'"));
            }
        }
        QString entryError;
        std::optional<ClipboardItem> parsed = ClipboardItem::fromJson(object, &entryError);
        if (!parsed)
            return failEntry(index, entryError);
        if (rtfData)
            parsed->rtfData = std::move(rtfData);
        if (imageData)
            parsed->imageData = std::move(imageData);
        *item = std::move(*parsed);
        return true;
    }

    static bool isEntryKey(const QString &key) {
        return key == QLatin1String("id") || key == QLatin1String("kind") ||
               key == QLatin1String("text") || key == QLatin1String("containsLink") ||
               key == QLatin1String("copiedAt") || key == QLatin1String("isPinned");
    }

    // Any JSON value, stored in *out unless out is null.
    bool readValue(QJsonValue *out, int depth) {
        if (depth > kMaxDepth)
            return fail(QStringLiteral("too deeply nested"));
        skipSpace();
        if (m_at == m_end)
            return fail(QStringLiteral("a value is missing"));
        switch (*m_at) {
        case '{':
        case '[':
            return readContainer(out, depth);
        case '"': {
            QString text;
            if (!readText(&text))
                return false;
            if (out)
                *out = text;
            return true;
        }
        case 't':
            return readLiteral("true", QJsonValue(true), out);
        case 'f':
            return readLiteral("false", QJsonValue(false), out);
        case 'n':
            return readLiteral("null", QJsonValue(QJsonValue::Null), out);
        default:
            return readNumber(out);
        }
    }

    // An object or an array, checked but not kept: of such a value the entry reader looks only
    // at the type.
    bool readContainer(QJsonValue *out, int depth) {
        const bool isObject = *m_at++ == '{';
        const char close = isObject ? '}' : ']';
        skipSpace();
        if (m_at < m_end && *m_at == close) {
            ++m_at;
        } else {
            for (;;) {
                skipSpace();
                if (isObject) {
                    QString key;
                    if (m_at == m_end || *m_at != '"')
                        return fail(QStringLiteral("expected a key"));
                    if (!readText(&key) || !expect(':', QStringLiteral("expected ':'")))
                        return false;
                }
                if (!readValue(nullptr, depth + 1))
                    return false;
                skipSpace();
                if (m_at < m_end && *m_at == ',') {
                    ++m_at;
                    continue;
                }
                if (m_at < m_end && *m_at == close) {
                    ++m_at;
                    break;
                }
                return fail(QStringLiteral("expected ',' or '%1'").arg(QLatin1Char(close)));
            }
        }
        if (out)
            *out = isObject ? QJsonValue(QJsonObject()) : QJsonValue(QJsonArray());
        return true;
    }

    bool readLiteral(const char *word, const QJsonValue &value, QJsonValue *out) {
        const auto length = qsizetype(std::strlen(word));
        if (m_end - m_at < length || std::memcmp(m_at, word, length) != 0)
            return fail(QStringLiteral("unexpected character"));
        m_at += length;
        if (out)
            *out = value;
        return true;
    }

    // JSON numbers, with Qt's parser's leniency about a missing digit before or after the
    // point ("1.", ".5").
    bool readNumber(QJsonValue *out) {
        const char *const start = m_at;
        const auto digits = [this] {
            const char *from = m_at;
            while (m_at < m_end && *m_at >= '0' && *m_at <= '9')
                ++m_at;
            return m_at > from;
        };
        if (m_at < m_end && *m_at == '-')
            ++m_at;
        bool some = false;
        if (m_at < m_end && *m_at == '0') {
            ++m_at;
            some = true;
        } else {
            some = digits();
        }
        if (m_at < m_end && *m_at == '.') {
            ++m_at;
            some = digits() || some;
        }
        if (!some)
            return fail(QStringLiteral("unexpected character"));
        if (m_at < m_end && (*m_at == 'e' || *m_at == 'E')) {
            ++m_at;
            if (m_at < m_end && (*m_at == '+' || *m_at == '-'))
                ++m_at;
            if (!digits())
                return fail(QStringLiteral("a digit is missing"));
        }
        double value = 0;
        const auto result = std::from_chars(start, m_at, value);
        if (result.ec != std::errc() || result.ptr != m_at) {
            m_at = start;
            return fail(QStringLiteral("number out of range"));
        }
        if (out)
            *out = value;
        return true;
    }

    // A string value decoded from UTF-8; invalid UTF-8 is an error.
    bool readText(QString *out) {
        const char *const start = m_at;
        QByteArrayView text;
        QByteArray storage;
        if (!readString(&text, &storage))
            return false;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                         QStringDecoder::Flag::ConvertInitialBom);
        *out = decoder(text);
        if (decoder.hasError()) {
            m_at = start;
            return fail(QStringLiteral("invalid UTF-8 in a string"));
        }
        return true;
    }

    // The string at m_at with its escapes resolved: *text views the input itself when there
    // are none, else *storage. Raw control characters pass, as with Qt's parser: a tab typed
    // into the file by hand should not cost the user the pins.
    bool readString(QByteArrayView *text, QByteArray *storage) {
        const char *const open = m_at;
        const char *from = ++m_at;
        const auto find = [this](const char *at, char c) {
            return static_cast<const char *>(std::memchr(at, c, size_t(m_end - at)));
        };
        const char *quote = find(from, '"');
        if (!quote) {
            m_at = open;
            return fail(QStringLiteral("unterminated string"));
        }
        const char *backslash =
            static_cast<const char *>(std::memchr(from, '\\', size_t(quote - from)));
        if (!backslash) {
            *text = QByteArrayView(from, quote - from);
            m_at = quote + 1;
            return true;
        }
        storage->clear();
        for (;;) {
            const char *stop = backslash ? backslash : quote;
            storage->append(from, stop - from);
            if (!backslash)
                break;
            m_at = backslash;
            if (!readEscape(storage))
                return false;
            from = m_at;
            if (from > quote) {
                // The quote found was an escaped one.
                quote = find(from, '"');
                if (!quote) {
                    m_at = open;
                    return fail(QStringLiteral("unterminated string"));
                }
            }
            backslash = static_cast<const char *>(std::memchr(from, '\\', size_t(quote - from)));
        }
        *text = *storage;
        m_at = quote + 1;
        return true;
    }

    bool readHex4(char32_t *unit) {
        if (m_end - m_at < 4)
            return fail(QStringLiteral("bad \\u escape"));
        char32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_at[i];
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return fail(QStringLiteral("bad \\u escape"));
            value = value * 16 + char32_t(digit);
        }
        m_at += 4;
        *unit = value;
        return true;
    }

    // The escape at m_at (a backslash), appended to out as UTF-8.
    bool readEscape(QByteArray *out) {
        ++m_at;
        if (m_at == m_end)
            return fail(QStringLiteral("unterminated string"));
        const char c = *m_at++;
        switch (c) {
        case 'b':
            out->append('\b');
            return true;
        case 'f':
            out->append('\f');
            return true;
        case 'n':
            out->append('\n');
            return true;
        case 'r':
            out->append('\r');
            return true;
        case 't':
            out->append('\t');
            return true;
        case 'u':
            break;
        default:
            // Qt's parser takes any other escaped character as itself; so do we.
            out->append(c);
            return true;
        }
        char32_t unit = 0;
        if (!readHex4(&unit))
            return false;
        if (unit >= 0xD800 && unit <= 0xDBFF && m_end - m_at >= 6 && m_at[0] == '\\' &&
            m_at[1] == 'u') {
            const char *const second = m_at;
            m_at += 2;
            char32_t low = 0;
            if (!readHex4(&low))
                return false;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                return true;
            }
            m_at = second; // not a pair: the second escape stands on its own
        }
        // A lone surrogate has no UTF-8 form; it reads as the replacement character.
        appendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? char32_t(0xFFFD) : unit);
        return true;
    }

    const char *const m_begin;
    const char *m_at;
    const char *const m_end;
    QString m_error;
};

} // namespace

namespace PinsJson {

std::optional<QList<ClipboardItem>> read(QByteArrayView json, QString *error) {
    Reader reader(json);
    auto items = reader.pins();
    if (!items && error)
        *error = reader.error();
    return items;
}

} // namespace PinsJson
