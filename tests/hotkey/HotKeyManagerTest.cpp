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

// A shortcut bound anew in the desktop's settings is told by its stored code and mask, and is
// the registered one: storing it registers nothing again. One the settings cannot show is told
// in the log only.
TEST_F(HotKeyManagerTest, ChangesElsewhereAreToldAsStoredShortcuts) {
    manager.registerHotKey(9, kCommandShift);
    EXPECT_EQ(grab->heldKey(), Qt::Key_V);
    std::vector<std::pair<quint32, quint32>> told;
    manager.onShortcutChanged = [&](quint32 code, quint32 mask) {
        told.emplace_back(code, mask);
        manager.registerHotKey(code, mask);
    };
    grab->changeElsewhere(Qt::Key_K, ShortcutModifier::control + ShortcutModifier::option);
    EXPECT_EQ(told, (std::vector<std::pair<quint32, quint32>>{{40, 6144}}));
    EXPECT_EQ(grab->grabs, 1);

    SystemLog::Capture log;
    grab->changeElsewhere(Qt::Key_Exclam, ShortcutModifier::command);
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(log.lines().size(), 1);
}
