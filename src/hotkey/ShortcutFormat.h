#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

// Shortcuts are stored as a virtual key code (US layout positions: 9 is V) and a Carbon
// modifier mask.
namespace CarbonModifier {
constexpr quint32 command = 256; // Super on Linux
constexpr quint32 shift = 512;
constexpr quint32 option = 2048; // Alt
constexpr quint32 control = 4096;
} // namespace CarbonModifier

// One text per key cap: the modifier symbols in the order ⌘ ⌃ ⌥ ⇧, then the key's name.
QStringList displayParts(quint32 keyCode, quint32 modifiers);
// The name of a key code: a symbol for special keys, the upper-case character for character
// keys, "key N" otherwise.
QString keyName(quint32 keyCode);
// The Carbon mask of Qt keyboard modifiers: Meta → 256, Shift → 512, Alt → 2048,
// Control → 4096; every other flag is ignored.
quint32 carbonModifiers(Qt::KeyboardModifiers modifiers);
