#include "hotkey/HotKeyManager.h"

#include "hotkey/ShortcutFormat.h"
#include "platform/HotKeyGrab.h"
#include "platform/SystemLog.h"
#include "platform/x11/XcbHotKeyGrab.h"
#include "support/ForeignClient.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

namespace {

// A grab over Qt's own connection, as the program makes it.
std::unique_ptr<HotKeyGrab> displayGrab() {
    return std::make_unique<XcbHotKeyGrab>(
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection());
}

using tqtest::ForeignClient;

constexpr quint32 kCommandShift = ShortcutModifier::command + ShortcutModifier::shift;
constexpr quint16 kSuperShift = XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT;
constexpr int kTimeoutMs = 5000;

// Presses of one key reaching this process, counted before anything else sees them.
class RawPressCounter : public QAbstractNativeEventFilter {
public:
    explicit RawPressCounter(xcb_keycode_t keycode)
        : m_keycode(keycode) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override {
        const auto *event = static_cast<const xcb_key_press_event_t *>(message);
        if ((event->response_type & ~0x80) == XCB_KEY_PRESS && event->detail == m_keycode)
            ++presses;
        return false;
    }
    int presses = 0;

private:
    xcb_keycode_t m_keycode;
};

// Drives the real X11 grab with xdotool as the user's keyboard. A second grab, Ctrl+Alt+Shift+Z,
// marks the end of every key sequence: once its press has arrived, every event sent before it
// has been handled, so "no further call" is checked without waiting on a clock.
class HotKeyManagerX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_foreign.isConnected());
        ASSERT_TRUE(m_marker->grab(
            {KEY_Z, Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier}));
        m_marker->onPressed = [this] { ++m_markers; };
        m_manager.onHotKey = [this] { ++m_presses; };
    }
    void TearDown() override {
        setLock(XCB_MOD_MASK_LOCK, QStringLiteral("Caps_Lock"), false);
        setLock(XCB_MOD_MASK_2, QStringLiteral("Num_Lock"), false);
    }

    static void xdotool(const QStringList &arguments) {
        ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0)
            << arguments.join(u' ').toStdString();
    }

    // Types the key combinations (xdotool syntax) and waits until all of them were handled.
    void typeAndSettle(const QStringList &combinations) {
        const int markers = m_markers;
        xdotool(QStringList{QStringLiteral("key")} << combinations
                                                   << QStringLiteral("ctrl+alt+shift+z"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_markers > markers; }, kTimeoutMs));
    }

    void setLock(quint16 mask, const QString &key, bool on) {
        if (bool(m_foreign.modifierState() & mask) == on)
            return;
        xdotool({QStringLiteral("key"), key});
        ASSERT_TRUE(QTest::qWaitFor([&] { return bool(m_foreign.modifierState() & mask) == on; },
                                    kTimeoutMs));
    }

    ForeignClient m_foreign;
    HotKeyManager m_manager{displayGrab()};
    int m_presses = 0;

private:
    std::unique_ptr<HotKeyGrab> m_marker = displayGrab();
    int m_markers = 0;
};

} // namespace

// The shortcut answers once per press in every application, whatever state Caps Lock and Num
// Lock are in; each modifier is grabbed as itself. (Where each key sits is
// KeyCodeTranslationX11Test's.)
TEST_F(HotKeyManagerX11Test, EachPressCallsOnceWithAnyLockState) {
    struct Shortcut {
        quint32 keyCode;
        quint32 modifiers;
        const char *keys;
    };
    const Shortcut shortcuts[] = {
        {9, kCommandShift, "super+shift+v"},
        {49, ShortcutModifier::control + ShortcutModifier::option, "ctrl+alt+space"},
    };
    struct Locks {
        bool caps;
        bool num;
    };
    for (const Locks locks :
         {Locks{false, false}, Locks{true, false}, Locks{false, true}, Locks{true, true}}) {
        ASSERT_NO_FATAL_FAILURE(
            setLock(XCB_MOD_MASK_LOCK, QStringLiteral("Caps_Lock"), locks.caps));
        ASSERT_NO_FATAL_FAILURE(setLock(XCB_MOD_MASK_2, QStringLiteral("Num_Lock"), locks.num));
        for (const Shortcut &shortcut : shortcuts) {
            SCOPED_TRACE(testing::Message()
                         << shortcut.keys << " caps " << locks.caps << " num " << locks.num);
            m_manager.registerHotKey(shortcut.keyCode, shortcut.modifiers);
            m_presses = 0;
            const QString keys = QString::fromLatin1(shortcut.keys);
            ASSERT_NO_FATAL_FAILURE(typeAndSettle({keys}));
            EXPECT_EQ(m_presses, 1);
            ASSERT_NO_FATAL_FAILURE(typeAndSettle({keys}));
            EXPECT_EQ(m_presses, 2);
        }
    }
}

// Holding the shortcut down opens the popup once instead of toggling it with every repeat.
TEST_F(HotKeyManagerX11Test, HeldShortcutCallsOnce) {
    m_manager.registerHotKey(9, kCommandShift);
    RawPressCounter raw(m_foreign.keycode(XK_v));
    xdotool({QStringLiteral("keydown"), QStringLiteral("super+shift+v")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return raw.presses >= 3; }, kTimeoutMs))
        << "the server sent no auto-repeat";
    xdotool({QStringLiteral("keyup"), QStringLiteral("v"), QStringLiteral("shift"),
             QStringLiteral("super")});
    typeAndSettle({});
    EXPECT_EQ(m_presses, 1);

    typeAndSettle({QStringLiteral("super+shift+v")});
    EXPECT_EQ(m_presses, 2);
}

// Changing the shortcut gives the old combination back to the desktop at once.
TEST_F(HotKeyManagerX11Test, NewShortcutReleasesTheOldOne) {
    m_manager.registerHotKey(9, kCommandShift);
    m_manager.registerHotKey(9, kCommandShift);
    m_manager.registerHotKey(40, kCommandShift); // K

    typeAndSettle({QStringLiteral("super+shift+v"), QStringLiteral("super+shift+k")});
    EXPECT_EQ(m_presses, 1);

    const xcb_keycode_t v = m_foreign.keycode(XK_v);
    EXPECT_TRUE(m_foreign.grab(v, kSuperShift));
    EXPECT_TRUE(m_foreign.grab(v, kSuperShift | XCB_MOD_MASK_LOCK));
    EXPECT_TRUE(m_foreign.grab(v, kSuperShift | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK));
    EXPECT_FALSE(m_foreign.grab(m_foreign.keycode(XK_k), kSuperShift));
}

// A shortcut another program already holds stays with that program, with one line to say so and
// no retrying; choosing it again once it is free works.
TEST_F(HotKeyManagerX11Test, ShortcutHeldElsewhereIsRefused) {
    const xcb_keycode_t v = m_foreign.keycode(XK_v);
    ASSERT_TRUE(m_foreign.grab(v, kSuperShift));

    SystemLog::Capture log;
    m_manager.registerHotKey(9, kCommandShift);
    typeAndSettle({QStringLiteral("super+shift+v")});
    EXPECT_EQ(m_presses, 0);
    EXPECT_EQ(log.lines().size(), 1);
    // Nothing half-grabbed is kept: the variant with Caps Lock is free too.
    EXPECT_TRUE(m_foreign.grab(v, kSuperShift | XCB_MOD_MASK_LOCK));

    m_foreign.ungrab(v, kSuperShift);
    m_foreign.ungrab(v, kSuperShift | XCB_MOD_MASK_LOCK);
    typeAndSettle({QStringLiteral("super+shift+v")});
    EXPECT_EQ(m_presses, 0);

    m_manager.registerHotKey(9, kCommandShift);
    typeAndSettle({QStringLiteral("super+shift+v")});
    EXPECT_EQ(m_presses, 1);
}
