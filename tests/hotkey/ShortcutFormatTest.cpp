// Every named key has a name of its own (which name, and where the key sits, is checked against
// the real keymap in KeyCodeTranslationX11Test); a code without a name reads "key N", never an
// invented name.
#include "hotkey/ShortcutFormat.h"
#include "hotkey/KeyCodeTranslation.h"

#include <QSet>

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>
#include <set>

TEST(ShortcutFormat, KeyNames) {
    QSet<QString> names;
    for (quint32 code = 0; code < 256; ++code) {
        const QString name = keyName(code);
        EXPECT_EQ(displayParts(code, 0), QStringList{name});
        if (name == QStringLiteral("key %1").arg(code))
            continue;
        EXPECT_FALSE(names.contains(name)) << "named twice: " << name.toStdString();
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 47 + 14); // character keys; editing and navigation keys
    EXPECT_EQ(keyName(96), QStringLiteral("key 96"));
    EXPECT_EQ(keyName(4294967295u), QStringLiteral("key 4294967295"));
}

// The shortcut is shown with its modifiers in the fixed order ⌘ ⌃ ⌥ ⇧, whatever else the
// mask holds: the stored bits are 256 ⌘, 512 ⇧, 2048 ⌥, 4096 ⌃ in settings already written.
TEST(ShortcutFormat, ModifiersComeInFixedOrderBeforeTheKey) {
    const struct {
        quint32 keyCode;
        quint32 modifiers;
        const char *shown;
    } cases[] = {
        {9, 768, "⌘⇧V"},
        {9, 0, "V"},
        {0, 4096, "⌃A"},
        {0, 2048, "⌥A"},
        {49, 4096 + 2048 + 512 + 256, "⌘⌃⌥⇧Space"},
        // Bits no modifier owns (Caps Lock 1024, right-hand bits) are not shown.
        {9, 1 | 1024 | 0x80000000u, "V"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(displayParts(c.keyCode, c.modifiers).join(QString()), QString::fromUtf8(c.shown));
}

// A shortcut recorded with Super, Control, Alt or Shift is stored with the matching bits and
// grabbed with the same keys; keypad and layout-group flags never end up in it.
TEST(ShortcutFormat, StoredMaskFromQtModifiers) {
    const std::pair<Qt::KeyboardModifier, quint32> bits[] = {
        {Qt::MetaModifier, 256},
        {Qt::ShiftModifier, 512},
        {Qt::AltModifier, 2048},
        {Qt::ControlModifier, 4096},
    };
    for (int subset = 0; subset < 16; ++subset) {
        Qt::KeyboardModifiers keys;
        quint32 mask = 0;
        for (int i = 0; i < 4; ++i) {
            if (subset & (1 << i)) {
                keys |= bits[i].first;
                mask |= bits[i].second;
            }
        }
        EXPECT_EQ(carbonModifiers(keys | Qt::KeypadModifier | Qt::GroupSwitchModifier), mask);
        EXPECT_EQ(keyboardModifiers(mask | 1024 | 1), keys) << mask;
    }
}

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
    // F13 carries no symbol of its own in a US keymap, so only this check vouches for it.
    EXPECT_EQ(evdevKeyCode(105), KEY_F13);
    for (int evdev : {-1, 0, KEY_102ND, KEY_KP0, KEY_INSERT, KEY_LEFTMETA, KEY_F21, 0x2ff})
        EXPECT_FALSE(shortcutKeyCode(evdev).has_value()) << evdev;
}
