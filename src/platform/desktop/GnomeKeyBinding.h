#pragma once

#include "platform/HotKeyGrab.h"

#include <QString>

#include <optional>

// GNOME keeps a shortcut as text: modifiers in angle brackets, then the key's name as X11 names
// the symbol it types ("<Super><Shift>v").

// The binding of a chord; the key must be one a shortcut can name (letters, digits, US
// punctuation, editing and navigation keys, F1–F20).
QString gnomeBinding(Qt::Key key, Qt::KeyboardModifiers modifiers);

// The chord a binding names (only `key` and `modifiers` set), or nothing when it is empty or
// names a modifier or key outside those.
std::optional<KeyChord> readGnomeBinding(const QString &binding);
