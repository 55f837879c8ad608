#include "hotkey/KeyCodeTranslation.h"

#include <linux/input-event-codes.h>

#include <array>

namespace {

// Stored key code → evdev code. The stored codes name ANSI positions, so the ISO key beside
// the left Shift and the keypad are left out, as they are from the shortcut's names.
struct Key {
    quint32 shortcutCode;
    int evdevCode;
    Qt::Key qtKey; // what it types on a US layout, unshifted
};

constexpr std::array<Key, 81> kKeys{{
    // Letters.
    {0, KEY_A, Qt::Key_A},
    {11, KEY_B, Qt::Key_B},
    {8, KEY_C, Qt::Key_C},
    {2, KEY_D, Qt::Key_D},
    {14, KEY_E, Qt::Key_E},
    {3, KEY_F, Qt::Key_F},
    {5, KEY_G, Qt::Key_G},
    {4, KEY_H, Qt::Key_H},
    {34, KEY_I, Qt::Key_I},
    {38, KEY_J, Qt::Key_J},
    {40, KEY_K, Qt::Key_K},
    {37, KEY_L, Qt::Key_L},
    {46, KEY_M, Qt::Key_M},
    {45, KEY_N, Qt::Key_N},
    {31, KEY_O, Qt::Key_O},
    {35, KEY_P, Qt::Key_P},
    {12, KEY_Q, Qt::Key_Q},
    {15, KEY_R, Qt::Key_R},
    {1, KEY_S, Qt::Key_S},
    {17, KEY_T, Qt::Key_T},
    {32, KEY_U, Qt::Key_U},
    {9, KEY_V, Qt::Key_V},
    {13, KEY_W, Qt::Key_W},
    {7, KEY_X, Qt::Key_X},
    {16, KEY_Y, Qt::Key_Y},
    {6, KEY_Z, Qt::Key_Z},
    // Digits.
    {29, KEY_0, Qt::Key_0},
    {18, KEY_1, Qt::Key_1},
    {19, KEY_2, Qt::Key_2},
    {20, KEY_3, Qt::Key_3},
    {21, KEY_4, Qt::Key_4},
    {23, KEY_5, Qt::Key_5},
    {22, KEY_6, Qt::Key_6},
    {26, KEY_7, Qt::Key_7},
    {28, KEY_8, Qt::Key_8},
    {25, KEY_9, Qt::Key_9},
    // Punctuation.
    {27, KEY_MINUS, Qt::Key_Minus},
    {24, KEY_EQUAL, Qt::Key_Equal},
    {33, KEY_LEFTBRACE, Qt::Key_BracketLeft},
    {30, KEY_RIGHTBRACE, Qt::Key_BracketRight},
    {42, KEY_BACKSLASH, Qt::Key_Backslash},
    {41, KEY_SEMICOLON, Qt::Key_Semicolon},
    {39, KEY_APOSTROPHE, Qt::Key_Apostrophe},
    {43, KEY_COMMA, Qt::Key_Comma},
    {47, KEY_DOT, Qt::Key_Period},
    {44, KEY_SLASH, Qt::Key_Slash},
    {50, KEY_GRAVE, Qt::Key_QuoteLeft},
    // Editing and navigation.
    {36, KEY_ENTER, Qt::Key_Return},
    {48, KEY_TAB, Qt::Key_Tab},
    {49, KEY_SPACE, Qt::Key_Space},
    {51, KEY_BACKSPACE, Qt::Key_Backspace},
    {117, KEY_DELETE, Qt::Key_Delete},
    {53, KEY_ESC, Qt::Key_Escape},
    {123, KEY_LEFT, Qt::Key_Left},
    {124, KEY_RIGHT, Qt::Key_Right},
    {126, KEY_UP, Qt::Key_Up},
    {125, KEY_DOWN, Qt::Key_Down},
    {115, KEY_HOME, Qt::Key_Home},
    {119, KEY_END, Qt::Key_End},
    {116, KEY_PAGEUP, Qt::Key_PageUp},
    {121, KEY_PAGEDOWN, Qt::Key_PageDown},
    // Function keys.
    {122, KEY_F1, Qt::Key_F1},
    {120, KEY_F2, Qt::Key_F2},
    {99, KEY_F3, Qt::Key_F3},
    {118, KEY_F4, Qt::Key_F4},
    {96, KEY_F5, Qt::Key_F5},
    {97, KEY_F6, Qt::Key_F6},
    {98, KEY_F7, Qt::Key_F7},
    {100, KEY_F8, Qt::Key_F8},
    {101, KEY_F9, Qt::Key_F9},
    {109, KEY_F10, Qt::Key_F10},
    {103, KEY_F11, Qt::Key_F11},
    {111, KEY_F12, Qt::Key_F12},
    {105, KEY_F13, Qt::Key_F13},
    {107, KEY_F14, Qt::Key_F14},
    {113, KEY_F15, Qt::Key_F15},
    {106, KEY_F16, Qt::Key_F16},
    {64, KEY_F17, Qt::Key_F17},
    {79, KEY_F18, Qt::Key_F18},
    {80, KEY_F19, Qt::Key_F19},
    {90, KEY_F20, Qt::Key_F20},
}};

template <typename From, typename To>
std::optional<To> lookUp(From Key::*from, From value, To Key::*to) {
    for (const Key &key : kKeys) {
        if (key.*from == value)
            return key.*to;
    }
    return std::nullopt;
}

} // namespace

std::optional<int> evdevKeyCode(quint32 shortcutKeyCode) {
    return lookUp(&Key::shortcutCode, shortcutKeyCode, &Key::evdevCode);
}

std::optional<quint32> shortcutKeyCode(int evdevKeyCode) {
    return lookUp(&Key::evdevCode, evdevKeyCode, &Key::shortcutCode);
}

std::optional<Qt::Key> qtKey(quint32 shortcutKeyCode) {
    return lookUp(&Key::shortcutCode, shortcutKeyCode, &Key::qtKey);
}

std::optional<quint32> shortcutKeyCode(Qt::Key qtKey) {
    return lookUp(&Key::qtKey, qtKey, &Key::shortcutCode);
}
