#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyPoster.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "support/TestEnvironment.h"
#include "system/PasteChords.h"

#include <QKeyEvent>
#include <QProcess>
#include <QRasterWindow>

#include <gtest/gtest.h>

// The compositor's side of a paste on Wayland, against a headless sway with our test windows and
// foot as its clients: the virtual keyboard types the chords, and the workspace follows and moves
// the activated window.

namespace {

using namespace Qt::StringLiterals;
using tqtest::waitFor;

class KeyRecorder : public QRasterWindow {
public:
    QStringList chords;

    KeyRecorder() {
        resize(200, 100);
        show();
    }

protected:
    void keyPressEvent(QKeyEvent *event) override {
        if (event->key() == Qt::Key_V)
            chords << QKeySequence(event->keyCombination()).toString();
    }
};

// A paste types the chord PasteChords chose, modifiers included, into the focused window; our
// one keyboard is all the seat has, and the first chord already arrives.
TEST(WaylandKeyPoster, TypesEachChordIntoTheFocusedWindow) {
    WaylandConnection connection;
    WaylandKeyPoster poster(connection);
    ASSERT_TRUE(poster.isTrusted());
    EXPECT_EQ(poster.typist(), KeyTypist::virtualKeyboard);

    KeyRecorder window;
    ASSERT_TRUE(waitFor([&] { return window.isActive(); }));
    poster.postPaste(PasteChord::controlV);
    ASSERT_TRUE(waitFor([&] { return window.chords.size() == 1; }));
    poster.postPaste(PasteChord::controlShiftV);
    poster.postPaste(PasteChord::controlV);
    ASSERT_TRUE(waitFor([&] { return window.chords.size() == 3; }));
    EXPECT_EQ(window.chords, QStringList({u"Ctrl+V"_s, u"Ctrl+Shift+V"_s, u"Ctrl+V"_s}));
}

// The window the user came from is the activated one of another application (never ours), named
// by its app_id, which picks the terminal chord; it can be brought back, and is forgotten once
// closed.
TEST(WaylandWorkspace, FollowsAndActivatesOtherApplicationsWindows) {
    // Qt names our windows' app_id after the desktop file, as the program sets it.
    QGuiApplication::setDesktopFileName(u"org.tallowquill.Tallowquill"_s);
    WaylandConnection connection;
    WaylandWorkspace program(connection);
    WaylandWorkspace workspace(connection, u"another.program"_s);
    ASSERT_TRUE(workspace.seesEveryWindow());

    KeyRecorder window;
    ASSERT_TRUE(waitFor([&] { return window.isActive() && workspace.activeWindow(); }));
    const Workspace::WindowId ours = *workspace.activeWindow();
    EXPECT_EQ(workspace.windowClass(ours), QStringList{u"org.tallowquill.Tallowquill"_s});
    EXPECT_EQ(program.activeWindow(), std::nullopt);

    QProcess foot;
    foot.start(QStringLiteral("foot"), {QStringLiteral("sleep"), QStringLiteral("600")});
    const auto inFront = [](WaylandWorkspace &seen) {
        const auto active = seen.activeWindow();
        return active ? seen.windowClass(*active) : QStringList();
    };
    ASSERT_TRUE(waitFor([&] { return inFront(workspace) == QStringList{u"foot"_s}; }));
    const Workspace::WindowId terminal = *workspace.activeWindow();
    EXPECT_TRUE(waitFor([&] { return inFront(program) == QStringList{u"foot"_s}; }));
    EXPECT_EQ(PasteChords::forWindow(workspace, terminal), PasteChord::controlShiftV);

    workspace.activateWindow(ours);
    EXPECT_TRUE(waitFor([&] { return workspace.activeWindow() == ours && window.isActive(); }));
    workspace.activateWindow(terminal);
    EXPECT_TRUE(waitFor([&] { return workspace.activeWindow() == terminal; }));

    foot.kill();
    foot.waitForFinished();
    EXPECT_TRUE(waitFor([&] { return workspace.windowClass(terminal).isEmpty(); }));
    QGuiApplication::setDesktopFileName({});
}

} // namespace
