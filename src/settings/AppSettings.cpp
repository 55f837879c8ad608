#include "settings/AppSettings.h"

#include "hotkey/KeyCodeTranslation.h"
#include "hotkey/ShortcutFormat.h"
#include "platform/DefaultsStore.h"
#include "platform/LogQuote.h"
#include "platform/SystemLog.h"

#include <QtNumeric>

#include <cmath>
#include <limits>
#include <optional>

namespace {

AppSettings *g_shared = nullptr;

const QString kHotKeyCodeKey = QStringLiteral("hotKeyCode");
const QString kHotKeyModifiersKey = QStringLiteral("hotKeyModifiers");
constexpr quint32 kModifierKeys = ShortcutModifier::command | ShortcutModifier::shift |
                                  ShortcutModifier::option | ShortcutModifier::control;
const QString kHasSeenWelcomeKey = QStringLiteral("hasSeenWelcome");
const QString kRetentionMinutesKey = QStringLiteral("retentionMinutes");

constexpr qint64 kMaxInteger = std::numeric_limits<qint64>::max();
constexpr qint64 kMinInteger = std::numeric_limits<qint64>::min();

// A stored value read as a whole number. Values that are not numbers read 0; numbers beyond
// the 64-bit range are clamped to it.
struct IntegerReading {
    qint64 value = 0;
    bool isNumber = false;
};

IntegerReading fromDouble(double number) {
    if (std::isnan(number))
        return {};
    // 2^63 is exact as a double; anything at or above it does not fit.
    if (number >= 9223372036854775808.0)
        return {kMaxInteger, true};
    if (number < -9223372036854775808.0)
        return {kMinInteger, true};
    return {static_cast<qint64>(number), true}; // truncates toward zero, as 2.9 → 2
}

IntegerReading fromText(const QString &text) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    const qint64 number = trimmed.toLongLong(&ok);
    if (ok)
        return {number, true};
    // INI files hold text only: "2.5", "1e3" and numbers too long for 64 bits arrive here.
    const double real = trimmed.toDouble(&ok);
    return ok ? fromDouble(real) : IntegerReading{};
}

IntegerReading integerReading(const QVariant &value) {
    if (value.typeId() == QMetaType::Bool)
        return {value.toBool() ? 1 : 0, true};
    // Numbers of every width print as their digits, so one parser serves all of them.
    if (value.typeId() == QMetaType::QStringList || !value.canConvert<QString>())
        return {};
    return fromText(value.toString());
}

// A stored value read as a Boolean; nullopt when it is neither a Boolean nor a number.
std::optional<bool> booleanReading(const QVariant &value) {
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        // INI files give back "true"/"false" for Booleans and digits for numbers.
        const QString text = value.toString().trimmed().toLower();
        if (text == QLatin1String("true") || text == QLatin1String("yes"))
            return true;
        if (text == QLatin1String("false") || text == QLatin1String("no"))
            return false;
    }
    const IntegerReading number = integerReading(value);
    if (!number.isNumber)
        return std::nullopt;
    return number.value != 0;
}

bool fitsUnsigned32(const IntegerReading &reading) {
    return reading.isNumber && reading.value >= 0 &&
           reading.value <= qint64(std::numeric_limits<quint32>::max());
}

// The stored value as it should appear in a log line.
QString quoted(const QVariant &value) {
    if (!value.isValid())
        return QStringLiteral("(no value)");
    if (value.typeId() == QMetaType::QStringList) // an INI value with commas
        return logQuoted(value.toStringList().join(QStringLiteral(", ")));
    if (value.canConvert<QString>())
        return logQuoted(value.toString());
    return QStringLiteral("of type %1").arg(QLatin1String(value.typeName()));
}

void logInvalid(const QString &key, const QVariant &value, const QString &problem,
                const QString &outcome) {
    SystemLog::write(QStringLiteral("Tallowquill: invalid stored %1: %2 %3; %4")
                         .arg(key, quoted(value), problem, outcome));
}

} // namespace

AppSettings::AppSettings(std::unique_ptr<DefaultsStore> store, QObject *parent)
    : QObject(parent)
    , m_store(std::move(store)) {
    Q_ASSERT(m_store);

    // Only a stored key code means the user chose a shortcut; a lone mask is ignored.
    if (m_store->contains(kHotKeyCodeKey)) {
        const QVariant storedCode = m_store->value(kHotKeyCodeKey);
        const QVariant storedModifiers = m_store->value(kHotKeyModifiersKey);
        const IntegerReading code = integerReading(storedCode);
        const IntegerReading modifiers = integerReading(storedModifiers);
        const QString fallback =
            QStringLiteral("using the default shortcut %1")
                .arg(displayParts(kDefaultHotKeyCode, kDefaultHotKeyModifiers).join(QString()));
        // The pair is one shortcut: keeping half of it would bind a key nobody chose.
        if (!code.isNumber) {
            logInvalid(kHotKeyCodeKey, storedCode, QStringLiteral("is not a number"), fallback);
        } else if (!fitsUnsigned32(code)) {
            logInvalid(kHotKeyCodeKey, storedCode, QStringLiteral("is out of range"), fallback);
        } else if (!evdevKeyCode(quint32(code.value))) {
            // It would show as "key N" and grab nothing.
            logInvalid(kHotKeyCodeKey, storedCode, QStringLiteral("names no key"), fallback);
        } else if (modifiers.isNumber && !fitsUnsigned32(modifiers)) {
            logInvalid(kHotKeyModifiersKey, storedModifiers, QStringLiteral("is out of range"),
                       fallback);
        } else if (!modifiers.isNumber || (quint32(modifiers.value) & kModifierKeys) == 0) {
            // A shortcut of a bare key would take that key from every program.
            logInvalid(kHotKeyModifiersKey, storedModifiers,
                       !storedModifiers.isValid() ? QStringLiteral("is missing")
                       : modifiers.isNumber       ? QStringLiteral("holds no modifier key")
                                                  : QStringLiteral("is not a number"),
                       fallback);
        } else {
            m_hotKeyCode = quint32(code.value);
            m_hotKeyModifiers = quint32(modifiers.value);
        }
    }

    if (m_store->contains(kHasSeenWelcomeKey)) {
        const QVariant stored = m_store->value(kHasSeenWelcomeKey);
        if (const std::optional<bool> seen = booleanReading(stored))
            m_hasSeenWelcome = *seen;
        else
            logInvalid(kHasSeenWelcomeKey, stored, QStringLiteral("is not a Boolean"),
                       QStringLiteral("reading false"));
    }

    if (m_store->contains(kRetentionMinutesKey)) {
        const QVariant stored = m_store->value(kRetentionMinutesKey);
        const IntegerReading minutes = integerReading(stored);
        if (!minutes.isNumber || minutes.value < 0) {
            // Neither is a time; the default keeps the history, where 0 would drop it all.
            logInvalid(kRetentionMinutesKey, stored,
                       minutes.isNumber ? QStringLiteral("is negative")
                                        : QStringLiteral("is not a number"),
                       QStringLiteral("using the default %1").arg(kDefaultRetentionMinutes));
        } else {
            m_retentionMinutes = minutes.value;
        }
    }
}

AppSettings::~AppSettings() {
    if (g_shared == this)
        g_shared = nullptr;
}

AppSettings &AppSettings::shared() {
    Q_ASSERT(g_shared);
    return *g_shared;
}

void AppSettings::makeShared() {
    g_shared = this;
}

void AppSettings::setHotKey(quint32 code, quint32 modifiers) {
    Q_EMIT willChange();
    m_hotKeyCode = code;
    m_hotKeyModifiers = modifiers;
    m_store->setValue(kHotKeyModifiersKey, qlonglong(modifiers));
    m_store->setValue(kHotKeyCodeKey, qlonglong(code));
    Q_EMIT changed();
    if (onHotKeyChange)
        onHotKeyChange();
}

void AppSettings::setHasSeenWelcome(bool seen) {
    Q_EMIT willChange();
    m_hasSeenWelcome = seen;
    m_store->setValue(kHasSeenWelcomeKey, seen);
    Q_EMIT changed();
}

void AppSettings::setRetentionMinutes(qint64 minutes) {
    Q_EMIT willChange();
    m_retentionMinutes = minutes;
    m_store->setValue(kRetentionMinutesKey, qlonglong(minutes));
    Q_EMIT changed();
    if (onRetentionChange)
        onRetentionChange();
}

qint64 AppSettings::retentionSeconds() const {
    qint64 seconds = 0;
    if (qMulOverflow(m_retentionMinutes, qint64(60), &seconds))
        return m_retentionMinutes < 0 ? kMinInteger : kMaxInteger;
    return seconds;
}

QString AppSettings::hotKeyDisplay() const {
    return displayParts(m_hotKeyCode, m_hotKeyModifiers).join(QString());
}

bool AppSettings::isDefaultHotKey() const {
    return m_hotKeyCode == kDefaultHotKeyCode && m_hotKeyModifiers == kDefaultHotKeyModifiers;
}
