#include "hotkey/KeyCodeTranslation.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

#include <set>

// Each shortcut is grabbed on a key of its own and a key read back from the keyboard gives the
// same stored code; keys beyond the named ones and F1–F20 are never grabbed for something else.
TEST(KeyCodeTranslation, TranslationsAreOneToOne) {
    std::set<int> evdevCodes;
    for (quint32 key = 0; key < 256; ++key) {
        if (const auto evdev = evdevKeyCode(key)) {
            EXPECT_TRUE(evdevCodes.insert(*evdev).second) << "shared physical key: " << key;
            EXPECT_EQ(shortcutKeyCode(*evdev), key);
        }
    }
    // 47 character keys, 14 editing and navigation keys, F1–F20.
    EXPECT_EQ(evdevCodes.size(), 81u);
    EXPECT_FALSE(evdevKeyCode(0xffffffffu).has_value());
    for (int evdev : {-1, 0, KEY_102ND, KEY_KP0, KEY_INSERT, KEY_LEFTMETA, KEY_F21, 0x2ff})
        EXPECT_FALSE(shortcutKeyCode(evdev).has_value()) << evdev;
}

// F13–F20 carry no symbols of their own in a US keymap, so only this table vouches for them.
TEST(KeyCodeTranslation, HighFunctionKeys) {
    const std::pair<quint32, int> keys[] = {{105, KEY_F13}, {107, KEY_F14}, {113, KEY_F15},
                                            {106, KEY_F16}, {64, KEY_F17},  {79, KEY_F18},
                                            {80, KEY_F19},  {90, KEY_F20}};
    for (const auto &[virtualCode, evdevCode] : keys)
        EXPECT_EQ(evdevKeyCode(virtualCode), evdevCode) << virtualCode;
}
