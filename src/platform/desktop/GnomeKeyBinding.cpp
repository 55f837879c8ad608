#include "platform/desktop/GnomeKeyBinding.h"

#include <QRegularExpression>

#include <array>
#include <utility>

namespace {

// Keys whose name is not their character; letters and digits are their own lower-case names,
// function keys "F1"…"F20".
constexpr std::array<std::pair<Qt::Key, const char *>, 25> kNames{{
    {Qt::Key_Minus, "minus"},
    {Qt::Key_Equal, "equal"},
    {Qt::Key_BracketLeft, "bracketleft"},
    {Qt::Key_BracketRight, "bracketright"},
    {Qt::Key_Backslash, "backslash"},
    {Qt::Key_Semicolon, "semicolon"},
    {Qt::Key_Apostrophe, "apostrophe"},
    {Qt::Key_Comma, "comma"},
    {Qt::Key_Period, "period"},
    {Qt::Key_Slash, "slash"},
    {Qt::Key_QuoteLeft, "grave"},
    {Qt::Key_Space, "space"},
    {Qt::Key_Return, "Return"},
    {Qt::Key_Tab, "Tab"},
    {Qt::Key_Backspace, "BackSpace"},
    {Qt::Key_Delete, "Delete"},
    {Qt::Key_Escape, "Escape"},
    {Qt::Key_Left, "Left"},
    {Qt::Key_Right, "Right"},
    {Qt::Key_Up, "Up"},
    {Qt::Key_Down, "Down"},
    {Qt::Key_Home, "Home"},
    {Qt::Key_End, "End"},
    {Qt::Key_PageUp, "Page_Up"},
    {Qt::Key_PageDown, "Page_Down"},
}};

// In the order GNOME's own settings write them.
constexpr std::array<std::pair<Qt::KeyboardModifier, const char *>, 4> kModifiers{{
    {Qt::MetaModifier, "<Super>"},
    {Qt::ControlModifier, "<Control>"},
    {Qt::AltModifier, "<Alt>"},
    {Qt::ShiftModifier, "<Shift>"},
}};

QString keyName(Qt::Key key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return QString(QChar(key)).toLower();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F20)
        return QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    for (const auto &[named, name] : kNames) {
        if (named == key)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<Qt::Key> keyNamed(const QString &name) {
    if (name.size() == 1 && name.front().isLetterOrNumber() && name.front().unicode() < 0x80)
        return Qt::Key(name.front().toUpper().unicode());
    static const QRegularExpression function(QStringLiteral("^F([1-9]|1[0-9]|20)$"));
    if (const auto match = function.match(name); match.hasMatch())
        return Qt::Key(Qt::Key_F1 + match.captured(1).toInt() - 1);
    for (const auto &[key, keyName] : kNames) {
        if (name.compare(QLatin1String(keyName), Qt::CaseInsensitive) == 0)
            return key;
    }
    return std::nullopt;
}

std::optional<Qt::KeyboardModifier> modifierNamed(const QString &name) {
    static const std::array<std::pair<const char *, Qt::KeyboardModifier>, 8> aliases{{
        {"super", Qt::MetaModifier},
        {"mod4", Qt::MetaModifier},
        {"control", Qt::ControlModifier},
        {"ctrl", Qt::ControlModifier},
        {"primary", Qt::ControlModifier},
        {"alt", Qt::AltModifier},
        {"mod1", Qt::AltModifier},
        {"shift", Qt::ShiftModifier},
    }};
    for (const auto &[alias, modifier] : aliases) {
        if (name.compare(QLatin1String(alias), Qt::CaseInsensitive) == 0)
            return modifier;
    }
    return std::nullopt;
}

} // namespace

QString gnomeBinding(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QString binding;
    for (const auto &[modifier, name] : kModifiers) {
        if (modifiers.testFlag(modifier))
            binding += QLatin1String(name);
    }
    return binding + keyName(key);
}

std::optional<KeyChord> readGnomeBinding(const QString &binding) {
    static const QRegularExpression form(QStringLiteral("^((?:<[A-Za-z0-9_]+>)*)([^<>]+)$"));
    const auto match = form.match(binding.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    KeyChord chord;
    static const QRegularExpression modifier(QStringLiteral("<([A-Za-z0-9_]+)>"));
    for (auto it = modifier.globalMatch(match.captured(1)); it.hasNext();) {
        const auto flag = modifierNamed(it.next().captured(1));
        if (!flag)
            return std::nullopt;
        chord.modifiers |= *flag;
    }
    const auto key = keyNamed(match.captured(2));
    if (!key)
        return std::nullopt;
    chord.key = *key;
    return chord;
}
