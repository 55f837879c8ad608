#include "history/ClipboardItem.h"

#include "history/formats/Base64.h"
#include "platform/LogQuote.h"

#include <QJsonValue>
#include <QRegularExpression>

#include <algorithm>
#include <chrono>

namespace {

// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
constexpr double kReferenceDateOffset = 978307200.0;

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return u == 0x0A || u == 0x0B || u == 0x0C || u == 0x0D || u == 0x85 || u == 0x2028 ||
           u == 0x2029;
}

QStringView trimmedView(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isWhitespaceOrNewline(text.at(begin)))
        ++begin;
    while (end > begin && isWhitespaceOrNewline(text.at(end - 1)))
        --end;
    return text.sliced(begin, end - begin);
}

bool setError(QString *error, const QString &message) {
    if (error)
        *error = message;
    return false;
}

bool readOptionalBytes(const QJsonObject &object, const QString &key,
                       std::optional<QByteArray> *out, QString *error) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString())
        return setError(error, QStringLiteral("\"%1\" is not a string").arg(key));
    // Anything outside Latin-1 becomes '?', which the decoder refuses like any stray character.
    std::optional<QByteArray> bytes = Base64::decode(value.toString().toLatin1());
    if (!bytes)
        return setError(error, QStringLiteral("\"%1\" is not valid Base64").arg(key));
    *out = std::move(bytes);
    return true;
}

bool readRequired(const QJsonObject &object, const QString &key, QJsonValue::Type type,
                  QJsonValue *out, QString *error) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return setError(error, QStringLiteral("missing key \"%1\"").arg(key));
    if (value.type() != type)
        return setError(error, QStringLiteral("\"%1\" has the wrong type").arg(key));
    *out = value;
    return true;
}

} // namespace

bool isWhitespaceOrNewline(QChar c) {
    const char16_t u = c.unicode();
    if ((u >= 0x09 && u <= 0x0D) || u == 0x85)
        return true;
    switch (c.category()) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

QString trimmedWhitespaceAndNewlines(const QString &text) {
    // By mid(): a text with nothing to trim is shared, not copied.
    const QStringView trimmed = trimmedView(text);
    return text.mid(trimmed.data() - text.constData(), trimmed.size());
}

QString ClipboardItem::preview() const {
    const QStringView head =
        trimmedView(QStringView(text).first(std::min(text.size(), previewScan)));
    // After the trim the first piece between line breaks is the first non-empty one.
    qsizetype stop = 0;
    while (stop < head.size() && !isLineBreak(head.at(stop)))
        ++stop;
    qsizetype length = std::min(stop, maxPreviewLength);
    if (length < stop && head.at(length - 1).isHighSurrogate())
        --length; // never half a character
    return head.first(length).toString();
}

std::optional<ClipboardItem> ClipboardItem::fromJson(const QJsonObject &object, QString *error) {
    // Anchored as a whole: a plain '$' would also let a trailing newline through.
    static const QRegularExpression uuidPattern(QRegularExpression::anchoredPattern(QStringLiteral(
        "[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}")));

    ClipboardItem item;
    QJsonValue value;
    if (!readRequired(object, QStringLiteral("id"), QJsonValue::String, &value, error))
        return std::nullopt;
    const QString idText = value.toString();
    if (!uuidPattern.match(idText).hasMatch()) {
        setError(error, QStringLiteral("\"id\" is not a UUID"));
        return std::nullopt;
    }
    item.id = QUuid::fromString(idText);

    if (!readRequired(object, QStringLiteral("kind"), QJsonValue::String, &value, error))
        return std::nullopt;
    const auto kind = kindFromRawValue(value.toString());
    if (!kind) {
        setError(error, QStringLiteral("unknown kind %1").arg(logQuoted(value.toString())));
        return std::nullopt;
    }
    item.kind = *kind;

    if (!readRequired(object, QStringLiteral("text"), QJsonValue::String, &value, error))
        return std::nullopt;
    item.text = value.toString();

    if (!readOptionalBytes(object, QStringLiteral("rtfData"), &item.rtfData, error) ||
        !readOptionalBytes(object, QStringLiteral("imageData"), &item.imageData, error))
        return std::nullopt;

    if (!readRequired(object, QStringLiteral("containsLink"), QJsonValue::Bool, &value, error))
        return std::nullopt;
    item.containsLink = value.toBool();

    if (!readRequired(object, QStringLiteral("copiedAt"), QJsonValue::Double, &value, error))
        return std::nullopt;
    item.copiedAt = value.toDouble();

    if (!readRequired(object, QStringLiteral("isPinned"), QJsonValue::Bool, &value, error))
        return std::nullopt;
    item.isPinned = value.toBool();
    return item;
}

ClipboardItem ClipboardItem::make(Kind kind, const QString &text, double copiedAt) {
    ClipboardItem item;
    item.id = QUuid::createUuid();
    item.kind = kind;
    item.text = text;
    item.copiedAt = copiedAt;
    return item;
}

double ClipboardItem::now() {
    using namespace std::chrono;
    const auto sinceEpoch = duration<double>(system_clock::now().time_since_epoch());
    return sinceEpoch.count() - kReferenceDateOffset;
}

QString kindRawValue(ClipboardItem::Kind kind) {
    switch (kind) {
    case ClipboardItem::Kind::text:
        return QStringLiteral("text");
    case ClipboardItem::Kind::rich:
        return QStringLiteral("rich");
    case ClipboardItem::Kind::image:
        return QStringLiteral("image");
    }
    Q_UNREACHABLE();
}

std::optional<ClipboardItem::Kind> kindFromRawValue(const QString &raw) {
    if (raw == QLatin1String("text"))
        return ClipboardItem::Kind::text;
    if (raw == QLatin1String("rich"))
        return ClipboardItem::Kind::rich;
    if (raw == QLatin1String("image"))
        return ClipboardItem::Kind::image;
    return std::nullopt;
}
