#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

// Shortcuts are stored as a key code and a modifier mask, as they were first written on another
// desktop and are kept for the settings files already written. The key code is the key's place
// on a US keyboard (9 is V; see KeyCodeTranslation.h); the mask has one bit per modifier key.
namespace ShortcutModifier {
constexpr quint32 command = 256;  // ⌘: the Super key
constexpr quint32 shift = 512;    // ⇧
constexpr quint32 option = 2048;  // ⌥: Alt
constexpr quint32 control = 4096; // ⌃: Ctrl
} // namespace ShortcutModifier

// One text per key cap: the modifier symbols in the order ⌘ ⌃ ⌥ ⇧, then the key's name.
QStringList displayParts(quint32 keyCode, quint32 modifiers);
// The name of a key code: a symbol for special keys, the upper-case character for character
// keys, "key N" otherwise.
QString keyName(quint32 keyCode);
// The stored mask of Qt keyboard modifiers: Meta → 256, Shift → 512, Alt → 2048,
// Control → 4096; every other flag is ignored.
quint32 carbonModifiers(Qt::KeyboardModifiers modifiers);
// The Qt keyboard modifiers of a stored mask; other bits are ignored.
Qt::KeyboardModifiers keyboardModifiers(quint32 mask);
