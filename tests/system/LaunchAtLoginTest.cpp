#include "system/LaunchAtLogin.h"

#include "platform/SystemLog.h"
#include "support/FakeLoginItem.h"

#include <gtest/gtest.h>

namespace {

using Status = LoginItem::Status;

struct Case {
    const char *name;
    Status before;
    bool wanted;
    Status afterRegister;
    bool fails;
    int registers;
    int unregisters;
    bool result;
};

// The launch-at-login switch changes the login item only when it differs from the wish, and
// always ends showing the state the desktop really has.
TEST(LaunchAtLogin, ChangesOnlyWhatDiffersAndReportsTheRealState) {
    const Case cases[] = {
        {"on when enabled", Status::enabled, true, Status::enabled, false, 0, 0, true},
        {"on when not registered", Status::notRegistered, true, Status::enabled, false, 1, 0, true},
        {"on when approval is needed registers again", Status::switchedOff, true, Status::enabled,
         false, 1, 0, true},
        {"on, but the desktop still wants approval", Status::notRegistered, true,
         Status::switchedOff, false, 1, 0, false},
        {"on when the program is not found", Status::notFound, true, Status::enabled, true, 1, 0,
         false},
        {"off when enabled", Status::enabled, false, Status::enabled, false, 0, 1, false},
        {"off when approval is needed", Status::switchedOff, false, Status::enabled, false, 0, 0,
         false},
        {"off when not registered", Status::notRegistered, false, Status::enabled, false, 0, 0,
         false},
        {"off fails", Status::enabled, false, Status::enabled, true, 0, 1, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        tqtest::FakeLoginItem item;
        item.current = c.before;
        item.afterRegister = c.afterRegister;
        if (c.fails)
            item.failure = QStringLiteral("disk full");
        SystemLog::Capture log;

        EXPECT_EQ(setLaunchAtLogin(c.wanted, item), c.result);
        EXPECT_EQ(launchAtLogin(item), c.result);
        EXPECT_EQ(item.registers, c.registers);
        EXPECT_EQ(item.unregisters, c.unregisters);
        if (c.fails)
            EXPECT_EQ(log.lines(), QStringList{QStringLiteral(
                                       "Tallowquill: login-item update failed: disk full")});
        else
            EXPECT_TRUE(log.lines().isEmpty());
    }
}

} // namespace
