#include "hotkey/HotKeyManager.h"

#include "hotkey/ShortcutFormat.h"
#include "platform/SystemLog.h"
#include "support/FakeHotKeyGrab.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

namespace {

using tqtest::FakeHotKeyGrab;

constexpr quint32 kCommandShift = ShortcutModifier::command + ShortcutModifier::shift;

class HotKeyManagerTest : public ::testing::Test {
protected:
    FakeHotKeyGrab *grab = new FakeHotKeyGrab; // owned by the manager
    HotKeyManager manager{std::unique_ptr<HotKeyGrab>(grab)};
};

} // namespace

// Changing the shortcut leaves exactly one shortcut active: the new one (the real grab is
// HotKeyManagerX11Test's).
TEST_F(HotKeyManagerTest, RegisteringReplacesThePreviousShortcut) {
    manager.registerHotKey(9, kCommandShift);
    manager.registerHotKey(40, kCommandShift + ShortcutModifier::control);
    EXPECT_EQ(grab->held(), (FakeHotKeyGrab::Combination{KEY_K, 4864}));

    // A key without a physical translation still releases the old shortcut.
    manager.registerHotKey(10, kCommandShift);
    EXPECT_FALSE(grab->held().has_value());

    // One held by another program is explained in the log, once.
    SystemLog::Capture log;
    grab->refuses = true;
    manager.registerHotKey(40, kCommandShift);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral(
                               "Tallowquill: the shortcut ⌘⇧K is held by another program")});
}

// Each press of the shortcut runs the callback once; without one the press just disappears.
TEST_F(HotKeyManagerTest, PressesRunTheCurrentCallback) {
    manager.registerHotKey(9, kCommandShift);
    grab->press(); // no callback yet
    int presses = 0;
    manager.onHotKey = [&] { ++presses; };
    grab->press();
    grab->press();
    EXPECT_EQ(presses, 2);

    // A callback may replace itself while it runs (the popup rewires it on opening).
    manager.onHotKey = [&] {
        manager.onHotKey = nullptr;
        ++presses;
    };
    grab->press();
    grab->press();
    EXPECT_EQ(presses, 3);
}
