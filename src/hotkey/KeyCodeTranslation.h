#pragma once

#include <Qt>

#include <optional>

// Shortcuts store a key code that numbers the keys by their position on a US keyboard, in the
// order first used on another desktop and kept for the settings already written (9 is V). Linux
// names the same physical keys by evdev code (KEY_V is 47); on X11 the key code is the evdev
// code + 8. Both directions cover the letters, digits, punctuation, the editing and navigation
// keys a shortcut can name, and F1–F20; any other key has no translation. Desktops that keep
// shortcuts by what a key types rather than where it lies get the key of a US layout.

// The evdev code of the key at a stored key code's position, or nothing.
std::optional<int> evdevKeyCode(quint32 shortcutKeyCode);

// The stored key code of the key with an evdev code, or nothing.
std::optional<quint32> shortcutKeyCode(int evdevKeyCode);

// What the key at a stored key code types on a US layout without Shift (Qt::Key_V for 9), or
// nothing.
std::optional<Qt::Key> qtKey(quint32 shortcutKeyCode);

// The stored key code of the key that types `qtKey` on a US layout without Shift, or nothing.
std::optional<quint32> shortcutKeyCode(Qt::Key qtKey);
