#include "platform/x11/XTestKeyPoster.h"
#include "platform/x11/XcbReply.h"
#include "system/AutoPaste.h"

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

// The application in front: a line edit that records the key presses it gets.
class RecordingLineEdit : public QLineEdit {
public:
    QList<QPair<int, Qt::KeyboardModifiers>> presses;
    bool controlReleased = false;

protected:
    void keyPressEvent(QKeyEvent *event) override {
        presses.append({event->key(), event->modifiers()});
        QLineEdit::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent *event) override {
        controlReleased = controlReleased || event->key() == Qt::Key_Control;
        QLineEdit::keyReleaseEvent(event);
    }
};

class AutoPasteX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        edit.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
        edit.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
        QGuiApplication::clipboard()->setText(kText);
        ASSERT_TRUE(QTest::qWaitFor([] { return QGuiApplication::clipboard()->ownsClipboard(); }));
    }

    const QString kText = QStringLiteral("pasted by Tallowquill");
    RecordingLineEdit edit;
    XTestKeyPoster poster;
    AutoPaste autoPaste{poster};
};

// The paste reaches the window in front as a plain Ctrl+V, even while the user still holds
// Shift (which would make it another shortcut).
TEST_F(AutoPasteX11, TypesControlVAloneWhileShiftIsHeld) {
    if (serverLacksXTest())
        GTEST_SKIP() << "this server runs without XTEST";
    const auto xdotool = [](const char *action) {
        return QProcess::execute(QStringLiteral("xdotool"),
                                 {QLatin1String(action), QStringLiteral("shift")});
    };
    ASSERT_EQ(xdotool("keydown"), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !edit.presses.isEmpty(); }));
    ASSERT_TRUE(QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier);
    edit.presses.clear();

    autoPaste.autoPaste(PasteChord::controlV);

    EXPECT_TRUE(QTest::qWaitFor([&] { return edit.controlReleased; }));
    EXPECT_EQ(edit.text(), kText);
    const QList<QPair<int, Qt::KeyboardModifiers>> expected = {
        {Qt::Key_Control, Qt::ControlModifier}, {Qt::Key_V, Qt::ControlModifier}};
    EXPECT_EQ(edit.presses, expected);
    xdotool("keyup");
}

// Auto-paste is trusted exactly when the X server offers XTEST (what the settings make of that is
// SettingsViewTest's); on a server without it nothing is typed, and the program's X connection
// survives the attempt.
TEST_F(AutoPasteX11, TrustFollowsTheServersXTest) {
    EXPECT_EQ(autoPaste.isProcessTrusted(), !serverLacksXTest());
    if (!serverLacksXTest())
        return;

    autoPaste.autoPaste(PasteChord::controlV);
    // The poster guards itself too: an XTEST request here would close the connection.
    poster.postPaste(PasteChord::controlShiftV);

    xcb_connection_t *connection =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    // A round trip: whatever the server made of the requests above has reached us.
    XcbReply<xcb_get_input_focus_reply_t>(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    QCoreApplication::processEvents();
    EXPECT_EQ(xcb_connection_has_error(connection), 0);
    EXPECT_TRUE(edit.presses.isEmpty());
    EXPECT_TRUE(edit.text().isEmpty());
}

} // namespace
