#include "hotkey/KeyCodeTranslation.h"

#include "ForeignClient.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <vector>

// Every key a shortcut can name is grabbed where a desktop's US keymap puts that key: the key
// code derived from the stored code carries the key's own symbol on the X server. The test
// server, like every current desktop, loads the evdev keymap rules.
TEST(KeyCodeTranslationX11, KeysSitWhereTheKeymapPutsThem) {
    struct Key {
        quint32 shortcutKeyCode;
        xcb_keysym_t keysym;
    };
    // Letters, digits and punctuation: their keysyms are their (lower-case) characters.
    const std::vector<Key> keys{
        {0, 'a'},           {11, 'b'},        {8, 'c'},        {2, 'd'},       {14, 'e'},
        {3, 'f'},           {5, 'g'},         {4, 'h'},        {34, 'i'},      {38, 'j'},
        {40, 'k'},          {37, 'l'},        {46, 'm'},       {45, 'n'},      {31, 'o'},
        {35, 'p'},          {12, 'q'},        {15, 'r'},       {1, 's'},       {17, 't'},
        {32, 'u'},          {9, 'v'},         {13, 'w'},       {7, 'x'},       {16, 'y'},
        {6, 'z'},           {29, '0'},        {18, '1'},       {19, '2'},      {20, '3'},
        {21, '4'},          {23, '5'},        {22, '6'},       {26, '7'},      {28, '8'},
        {25, '9'},          {27, '-'},        {24, '='},       {33, '['},      {30, ']'},
        {42, '\\'},         {41, ';'},        {39, '\''},      {43, ','},      {47, '.'},
        {44, '/'},          {50, '`'},        {36, XK_Return}, {48, XK_Tab},   {49, XK_space},
        {51, XK_BackSpace}, {117, XK_Delete}, {53, XK_Escape}, {123, XK_Left}, {124, XK_Right},
        {126, XK_Up},       {125, XK_Down},   {115, XK_Home},  {119, XK_End},  {116, XK_Prior},
        {121, XK_Next},     {122, XK_F1},     {120, XK_F2},    {99, XK_F3},    {118, XK_F4},
        {96, XK_F5},        {97, XK_F6},      {98, XK_F7},     {100, XK_F8},   {101, XK_F9},
        {109, XK_F10},      {103, XK_F11},    {111, XK_F12},
    };

    tqtest::ForeignClient server;
    ASSERT_TRUE(server.isConnected());
    for (const Key &key : keys) {
        SCOPED_TRACE(key.shortcutKeyCode);
        const auto evdev = evdevKeyCode(key.shortcutKeyCode);
        ASSERT_TRUE(evdev.has_value());
        EXPECT_EQ(server.keysym(*evdev + 8), key.keysym);
    }
}
