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
    HotKeyManagerTest() {
        auto grab = std::make_unique<FakeHotKeyGrab>();
        m_grab = grab.get();
        m_manager = std::make_unique<HotKeyManager>(std::move(grab));
    }

    FakeHotKeyGrab &grab() { return *m_grab; }
    HotKeyManager &manager() { return *m_manager; }

private:
    FakeHotKeyGrab *m_grab = nullptr; // owned by m_manager
    std::unique_ptr<HotKeyManager> m_manager;
};

} // namespace

// Changing the shortcut, even to the same one, leaves exactly one shortcut active: the new one.
TEST_F(HotKeyManagerTest, RegisteringReplacesThePreviousShortcut) {
    manager().registerHotKey(9, kCommandShift);
    manager().registerHotKey(9, kCommandShift);
    EXPECT_EQ(grab().calls(), (QStringList{QStringLiteral("grab 47 768"), QStringLiteral("ungrab"),
                                           QStringLiteral("grab 47 768")}));

    manager().registerHotKey(40, kCommandShift + ShortcutModifier::control);
    EXPECT_EQ(grab().held(), (FakeHotKeyGrab::Combination{KEY_K, 4864}));

    // A key without a physical translation still releases the old shortcut.
    manager().registerHotKey(10, kCommandShift);
    EXPECT_FALSE(grab().held().has_value());
    EXPECT_EQ(grab().calls().mid(3),
              (QStringList{QStringLiteral("ungrab"), QStringLiteral("grab 37 4864"),
                           QStringLiteral("ungrab")}));

    // One held by another program is explained in the log, once.
    SystemLog::Capture log;
    grab().refuses = true;
    manager().registerHotKey(40, kCommandShift);
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral(
                               "Tallowquill: the shortcut ⌘⇧K is held by another program")});
}

// Each press of the shortcut runs the callback once; without one the press just disappears.
TEST_F(HotKeyManagerTest, PressesRunTheCurrentCallback) {
    manager().registerHotKey(9, kCommandShift);
    grab().press(); // no callback yet

    int first = 0;
    int second = 0;
    manager().onHotKey = [&] { ++first; };
    grab().press();
    manager().onHotKey = [&] { ++second; };
    grab().press();
    grab().press();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);

    // A callback may replace itself while it runs (the popup rewires it on opening).
    manager().onHotKey = [&] {
        manager().onHotKey = nullptr;
        ++first;
    };
    grab().press();
    grab().press();
    EXPECT_EQ(first, 2);
}
