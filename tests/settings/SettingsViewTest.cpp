#include "settings/SettingsView.h"

#include "hotkey/HotKeyManager.h"
#include "platform/CompositorBoundShortcut.h"
#include "settings/AppSettings.h"
#include "settings/HotKeyRecorderView.h"
#include "settings/Retention.h"
#include "support/FakeHotKeyGrab.h"
#include "support/FakeKeyPoster.h"
#include "support/FakeLoginItem.h"
#include "support/FakeWorkspace.h"
#include "support/MemoryDefaultsStore.h"
#include "system/AutoPaste.h"
#include "system/AutoPasteHelp.h"
#include "ui/SwitchButton.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

namespace {

using namespace tqtest;

class SettingsViewTest : public ::testing::Test {
protected:
    SettingsViewTest() {
        // As the program wires it: a new shortcut is registered at once.
        settings.onHotKeyChange = [this] {
            hotKeys.registerHotKey(settings.hotKeyCode(), settings.hotKeyModifiers());
        };
        view = std::make_unique<SettingsView>(settings, hotKeys, loginItem, autoPaste, help);
        view->show();
        target.show();
    }

    // A key pressed on the keyboard, as the X server reports it (key code = evdev + 8), sent
    // to a widget of the program.
    void press(QWidget &to, Qt::Key key, int evdevCode, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, quint32(evdevCode + 8), 0, 0,
                        key == Qt::Key_K ? QStringLiteral("k") : QString());
        QCoreApplication::sendEvent(&to, &event);
    }
    HotKeyRecorderView &recorder() { return *view->recorder(); }

    AppSettings settings{std::make_unique<MemoryDefaultsStore>()};
    FakeHotKeyGrab *grab = new FakeHotKeyGrab; // owned by hotKeys
    HotKeyManager hotKeys{std::unique_ptr<HotKeyGrab>(grab)};
    FakeLoginItem loginItem;
    FakeKeyPoster poster;
    AutoPaste autoPaste{poster};
    FakeWorkspace workspace;
    AutoPasteHelp help{workspace};
    std::unique_ptr<SettingsView> view;
    QLineEdit target;
};

// Recording takes the first key pressed in the settings window with a modifier, and lets no
// key through there while keys for the program's other windows (an open menu) pass; Escape
// cancels; keys without a modifier (or one the shortcut cannot name) are passed over. The global
// grab is released while recording and held again after, grabbed once for a new shortcut.
TEST_F(SettingsViewTest, RecorderStoresTheFirstCombination) {
    const struct {
        Qt::Key key;
        int evdev;
        Qt::KeyboardModifiers modifiers;
        quint32 code, mask; // stored afterwards
        const char *shown;  // "…" while still recording
    } cases[] = {
        {Qt::Key_K, KEY_K, Qt::MetaModifier | Qt::ShiftModifier, 40, 768, "⌘⇧K"},
        {Qt::Key_Space, KEY_SPACE, Qt::ControlModifier | Qt::AltModifier, 49, 6144, "⌃⌥Space"},
        {Qt::Key_K, KEY_K, {}, 37, 768, "…"},
        {Qt::Key_CapsLock, KEY_CAPSLOCK, {}, 37, 768, "…"},
        {Qt::Key_Shift, KEY_LEFTSHIFT, Qt::ShiftModifier, 37, 768, "…"},
        {Qt::Key_Escape, KEY_ESC, Qt::AltModifier, 37, 768, "⌘⇧L"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " " << c.modifiers.toInt());
        settings.setHotKey(37, 768);
        recorder().startRecording();
        EXPECT_FALSE(grab->held().has_value());
        press(target, Qt::Key_K, KEY_K, Qt::MetaModifier | Qt::ShiftModifier);
        EXPECT_EQ(target.text(), QStringLiteral("k"));
        target.clear();
        const int grabs = grab->grabs;
        press(*view, c.key, c.evdev, c.modifiers);
        const bool recording = QString::fromUtf8(c.shown) == QStringLiteral("…");
        EXPECT_EQ(recorder().isRecording(), recording);
        EXPECT_EQ(settings.hotKeyModifiers(), c.mask);
        EXPECT_EQ(settings.hotKeyCode(), c.code);
        EXPECT_EQ(grab->grabs - grabs, recording ? 0 : 1);
        EXPECT_EQ(recorder().shownShortcut(), QString::fromUtf8(c.shown));
        // Hiding the window ends a recording; the filter goes and the grab comes back.
        view->hide();
        view->show();
        EXPECT_FALSE(recorder().isRecording());
        press(*view, Qt::Key_J, KEY_J, Qt::MetaModifier);
        EXPECT_EQ(settings.hotKeyCode(), c.code);
        EXPECT_EQ(grab->held(),
                  (FakeHotKeyGrab::Combination{c.code == 37 ? KEY_L : c.evdev, c.mask}));
    }
}

// The words for a time, the eleven choices, and a time set by hand shown without a new choice.
TEST_F(SettingsViewTest, RetentionChoices) {
    const std::pair<qint64, const char *> labels[] = {
        {0, "0 minutes"}, {45, "45 minutes"}, {59, "59 minutes"}, {60, "1 hour"},    {90, "1 hour"},
        {119, "1 hour"},  {120, "2 hours"},   {150, "2 hours"},   {1440, "24 hours"}};
    for (const auto &[minutes, label] : labels)
        EXPECT_EQ(retentionLabel(minutes), QString::fromUtf8(label)) << minutes;

    QComboBox &choice = *view->retentionChoice();
    ASSERT_EQ(choice.count(), 11);
    EXPECT_EQ(choice.currentText(), QStringLiteral("2 hours"));
    Q_EMIT choice.activated(choice.findText(QStringLiteral("8 hours")));
    EXPECT_EQ(settings.retentionMinutes(), 480);
    settings.setRetentionMinutes(90);
    EXPECT_EQ(choice.currentIndex(), -1);
    EXPECT_EQ(choice.placeholderText(), QStringLiteral("1 hour"));
    EXPECT_EQ(choice.count(), 11);
}

// The switch ends on the real state: a registration the desktop keeps switched off puts it back
// at once, with one registration and no further change.
TEST_F(SettingsViewTest, LaunchSwitchFallsBackToTheRealState) {
    loginItem.afterRegister = LoginItem::Status::switchedOff;
    view->launchSwitch()->click();
    EXPECT_FALSE(view->launchSwitch()->isChecked());
    EXPECT_FALSE(view->launchAtLogin());
    EXPECT_EQ(loginItem.registers, 1);
    EXPECT_EQ(loginItem.unregisters, 0);

    loginItem.afterRegister = LoginItem::Status::enabled;
    view->launchSwitch()->click();
    EXPECT_TRUE(view->launchSwitch()->isChecked());
    EXPECT_EQ(loginItem.registers, 2);
}

// The permission is polled once a second: the section and the size follow it.
TEST_F(SettingsViewTest, PermissionSectionFollowsTheTrust) {
    EXPECT_EQ(view->size(), QSize(440, 320));
    for (const bool trusted : {false, true}) {
        poster.trusted = trusted;
        QSignalSpy resized(view.get(), &SettingsView::sizeChanged);
        ASSERT_TRUE(resized.wait(3000));
        EXPECT_EQ(view->size(), QSize(440, trusted ? 320 : 370));
        EXPECT_EQ(view->permissionStatus()->text(),
                  trusted ? QStringLiteral("Granted") : QStringLiteral("Not granted"));
        EXPECT_EQ(view->helpButton()->isVisible(), !trusted);
        EXPECT_EQ(view->permissionNote()->isVisible(), !trusted);
    }
}

} // namespace

// Where the desktop keeps the shortcut the row says where; where the compositor binds it, the
// keys cannot be changed here.
TEST_F(SettingsViewTest, HotkeyRowSaysWhereTheShortcutLives) {
    EXPECT_EQ(view->keeperCaption(), nullptr);
    grab->keeperText = QStringLiteral("Kept in GNOME's keyboard shortcuts");
    SettingsView kept(settings, hotKeys, loginItem, autoPaste, help);
    ASSERT_NE(kept.keeperCaption(), nullptr);
    EXPECT_EQ(kept.keeperCaption()->text(), grab->keeperText);
    EXPECT_TRUE(kept.recorder()->button()->isEnabled());

    HotKeyManager bound{std::make_unique<CompositorBoundShortcut>()};
    SettingsView compositor(settings, bound, loginItem, autoPaste, help);
    EXPECT_EQ(compositor.keeperCaption()->text(),
              QStringLiteral("Bound in your compositor's settings"));
    EXPECT_FALSE(compositor.recorder()->button()->isEnabled());
}
