#include "platform/KeyPoster.h"
#include "platform/x11/XcbReply.h"
#include "system/AutoPaste.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace {

// Set by the test entry whose Xvfb runs without the XTEST extension.
bool serverLacksXTest() {
    return qEnvironmentVariableIsSet("TQ_XVFB_WITHOUT_XTEST");
}

xcb_connection_t *connection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// A line edit standing in for the application in front: it records every key event it gets.
class RecordingLineEdit : public QLineEdit {
public:
    struct Key {
        QEvent::Type type;
        int key;
        Qt::KeyboardModifiers modifiers;
    };
    QList<Key> keys;

    QList<int> presses() const {
        QList<int> result;
        for (const Key &k : keys) {
            if (k.type == QEvent::KeyPress)
                result << k.key;
        }
        return result;
    }

protected:
    void keyPressEvent(QKeyEvent *event) override {
        keys.append({event->type(), event->key(), event->modifiers()});
        QLineEdit::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent *event) override {
        keys.append({event->type(), event->key(), event->modifiers()});
        QLineEdit::keyReleaseEvent(event);
    }
};

// Counts the key presses the X server delivers to us, and notices a marker property change
// that, sent after a paste, arrives only after any keys that paste produced.
class XEventWatch : public QAbstractNativeEventFilter {
public:
    explicit XEventWatch(xcb_window_t window)
        : m_window(window) {
        const char name[] = "TQ_TEST_MARKER";
        const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            connection(), xcb_intern_atom(connection(), 0, sizeof name - 1, name), nullptr));
        if (reply)
            m_marker = reply->atom;
        qApp->installNativeEventFilter(this);
    }
    ~XEventWatch() override { qApp->removeNativeEventFilter(this); }

    int keyPresses = 0;
    bool markerSeen = false;

    void sendMarker() {
        xcb_change_property(connection(), XCB_PROP_MODE_REPLACE, m_window, m_marker,
                            XCB_ATOM_STRING, 8, 1, "x");
        xcb_flush(connection());
    }

    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override {
        const auto *event = static_cast<xcb_generic_event_t *>(message);
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_KEY_PRESS && !markerSeen)
            ++keyPresses;
        if (type == XCB_PROPERTY_NOTIFY &&
            reinterpret_cast<const xcb_property_notify_event_t *>(event)->atom == m_marker)
            markerSeen = true;
        return false;
    }

private:
    xcb_window_t m_window;
    xcb_atom_t m_marker = XCB_ATOM_NONE;
};

class AutoPasteX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        edit.resize(300, 40);
        edit.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
        edit.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
        edit.setFocus();

        QGuiApplication::clipboard()->setText(kClipboardText);
        ASSERT_TRUE(QTest::qWaitFor([] { return QGuiApplication::clipboard()->ownsClipboard(); }));
    }

    void TearDown() override {
        if (!serverLacksXTest())
            QProcess::execute(QStringLiteral("xdotool"),
                              {QStringLiteral("keyup"), QStringLiteral("shift")});
    }

    bool pasteArrived() const {
        return edit.text() == kClipboardText && !edit.keys.isEmpty() &&
               edit.keys.last().type == QEvent::KeyRelease &&
               edit.keys.last().key == Qt::Key_Control;
    }

    const QString kClipboardText = QStringLiteral("pasted by Tallowquill");
    RecordingLineEdit edit;
};

// The paste reaches the window in front as a plain Ctrl+V, even while the user still holds
// Shift (which would turn it into another shortcut).
TEST_F(AutoPasteX11, TypesControlVAloneWhileShiftIsHeld) {
    if (serverLacksXTest())
        GTEST_SKIP() << "this server runs without XTEST";

    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"),
                                {QStringLiteral("keydown"), QStringLiteral("shift")}),
              0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit.presses().contains(Qt::Key_Shift); }));
    ASSERT_TRUE(QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier);
    edit.keys.clear();

    AutoPaste::shared().autoPaste();

    ASSERT_TRUE(QTest::qWaitFor([&] { return pasteArrived(); })) << edit.text().toStdString();
    EXPECT_EQ(edit.presses(), (QList<int>{Qt::Key_Control, Qt::Key_V}));
    for (const RecordingLineEdit::Key &key : edit.keys) {
        if (key.type == QEvent::KeyPress && key.key == Qt::Key_V) {
            EXPECT_EQ(key.modifiers, Qt::ControlModifier);
        }
    }
    EXPECT_FALSE(QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier);
}

// Auto-paste is trusted exactly when the X server offers XTEST; on a server without it
// nothing at all is typed, and the program's X connection survives the attempt.
TEST_F(AutoPasteX11, TrustAndTypingFollowTheServersXTest) {
    EXPECT_EQ(AutoPaste::shared().isProcessTrusted(), !serverLacksXTest());

    XEventWatch watch(edit.winId());
    if (serverLacksXTest()) {
        // The poster guards itself too: an XTEST request here would close the connection.
        AutoPaste::shared().autoPaste();
        KeyPoster::system().postPaste();
    } else {
        AutoPaste::shared().autoPaste();
    }
    watch.sendMarker();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.markerSeen; }));

    EXPECT_EQ(xcb_connection_has_error(connection()), 0);
    if (serverLacksXTest()) {
        EXPECT_EQ(watch.keyPresses, 0);
        QCoreApplication::processEvents();
        EXPECT_TRUE(edit.keys.isEmpty());
        EXPECT_TRUE(edit.text().isEmpty());
    } else {
        EXPECT_EQ(watch.keyPresses, 2);
        EXPECT_TRUE(QTest::qWaitFor([&] { return pasteArrived(); }));
    }
}

} // namespace
