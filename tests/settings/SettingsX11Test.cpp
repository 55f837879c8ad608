// The settings view against the real trust query: on a server without XTEST (a second test
// entry starts one) auto-paste is not granted and the view is the taller one.
#include "hotkey/HotKeyManager.h"
#include "platform/NoHotKeyGrab.h"
#include "platform/x11/XTestKeyPoster.h"
#include "settings/AppSettings.h"
#include "settings/SettingsView.h"
#include "support/FakeLoginItem.h"
#include "support/FakeWorkspace.h"
#include "support/MemoryDefaultsStore.h"
#include "system/AutoPaste.h"
#include "system/AutoPasteHelp.h"

#include <QLabel>

#include <gtest/gtest.h>

TEST(SettingsX11, PermissionFollowsTheServersXTest) {
    const bool lacksXTest = qEnvironmentVariableIsSet("TQ_XVFB_WITHOUT_XTEST");
    AppSettings settings(std::make_unique<MemoryDefaultsStore>());
    HotKeyManager hotKeys(std::make_unique<NoHotKeyGrab>());
    tqtest::FakeLoginItem loginItem;
    XTestKeyPoster poster;
    AutoPaste autoPaste(poster);
    tqtest::FakeWorkspace workspace;
    AutoPasteHelp help(workspace);
    SettingsView view(settings, hotKeys, loginItem, autoPaste, help);
    EXPECT_EQ(view.size(), QSize(440, lacksXTest ? 370 : 320));
    EXPECT_EQ(view.permissionStatus()->text(),
              lacksXTest ? QStringLiteral("Not granted") : QStringLiteral("Granted"));
}
