#pragma once

#include <QtGlobal>

#include <optional>

// Shortcuts store a virtual key code, the position of the key on a US keyboard (9 is V). Linux
// names the same physical keys by evdev code (KEY_V is 47); on X11 the key code is the evdev
// code + 8. Both directions cover the letters, digits, punctuation, the editing and navigation
// keys a shortcut can name, and F1–F20; any other key has no translation.

// The evdev code of the key at a virtual key code's position, or nothing.
std::optional<int> evdevKeyCode(quint32 virtualKeyCode);

// The virtual key code of the key with an evdev code, or nothing.
std::optional<quint32> virtualKeyCode(int evdevKeyCode);
