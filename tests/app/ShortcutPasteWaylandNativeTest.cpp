// The shortcut as a Wayland compositor binds it: Super+Shift+V typed into the seat runs sway's
// binding, tallowquill --popup as the compositor's user, which reaches the running program; Return
// in the popup pastes into the window the user came from, a native Qt window or foot.
#include "support/SwayClients.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QRasterWindow>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace tqtest;

// Pastes what the clipboard holds at Ctrl+V, as an editor would.
class PasteTarget : public QRasterWindow {
public:
    QStringList pasted;

    PasteTarget() {
        setTitle(QStringLiteral("paste target"));
        resize(200, 100);
        show();
    }

protected:
    void keyPressEvent(QKeyEvent *event) override {
        if (event->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_V))
            pasted << QGuiApplication::clipboard()->text();
    }
};

void type(const QStringList &arguments) {
    run(QStringLiteral("wtype"), arguments);
}

// The popup's first-paint line once the shortcut has opened it.
QString pressShortcut(RealProgram &program) {
    return lineAfter(program, QStringLiteral("tallowquill: popup painted"), [] {
        type({QStringLiteral("-M"), QStringLiteral("logo"), QStringLiteral("-M"),
              QStringLiteral("shift"), QStringLiteral("v"), QStringLiteral("-m"),
              QStringLiteral("shift"), QStringLiteral("-m"), QStringLiteral("logo")});
    });
}

bool popupFocused() {
    return swayWindows().focused == ourAppId;
}

bool popupGone() {
    return !swayWindows().appIds.contains(ourAppId);
}

} // namespace

TEST(ShortcutPasteWayland, OpensFocusedAndPastesIntoTheWindowBefore) {
    resetHomeAfterTheGuide();
    // The lock beside the compositor's socket, where the bound command finds it held.
    QProcessEnvironment environment = programEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), swayRuntimeDir());
    RealProgram program(environment);
    ASSERT_TRUE(program.launched()) << program.log.constData();
    ASSERT_TRUE(waitFor(
        [] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(ourAppId); }));

    PasteTarget window;
    ASSERT_TRUE(waitFor([&] { return window.isActive(); }));
    // Each owner left to quit when the next copy replaces it, so that none is put back over it.
    std::vector<std::unique_ptr<QProcess>> owners;
    owners.push_back(wlCopy("earlier words"));
    ASSERT_TRUE(program.waitForRecorded(QStringLiteral("earlier words")));
    owners.push_back(wlCopy("latest words"));
    ASSERT_TRUE(program.waitForRecorded(QStringLiteral("latest words")));

    // Focused at once; closed when another window takes the focus.
    EXPECT_TRUE(pressShortcut(program).endsWith(QStringLiteral("first: latest words")))
        << program.log.constData();
    EXPECT_TRUE(waitFor(popupFocused));
    run(QStringLiteral("swaymsg"),
        {QStringLiteral("-s"), swaySocket(), QStringLiteral("[title=\"^paste target$\"] focus")});
    EXPECT_TRUE(waitFor(popupGone));

    EXPECT_TRUE(pressShortcut(program).endsWith(QStringLiteral("first: latest words")));
    EXPECT_TRUE(waitFor(popupFocused));
    type({QStringLiteral("-k"), QStringLiteral("Return")});
    EXPECT_TRUE(waitFor([&] { return !window.pasted.isEmpty(); }));
    EXPECT_EQ(window.pasted, QStringList{QStringLiteral("latest words")});
    EXPECT_TRUE(popupGone());

    // A terminal, whose chord is Ctrl+Shift+V: what it is given lands in a file.
    QTemporaryDir dir;
    const QString typed = dir.filePath(QStringLiteral("typed"));
    QProcess foot;
    foot.start(QStringLiteral("foot"), {QStringLiteral("sh"), QStringLiteral("-c"),
                                        QStringLiteral("stty raw -echo; cat > \"$0\""), typed});
    ASSERT_TRUE(waitFor(
        [&] { return QFile::exists(typed) && swayWindows().focused == QStringLiteral("foot"); },
        30'000));
    owners.push_back(wlCopy("terminal words"));
    ASSERT_TRUE(program.waitForRecorded(QStringLiteral("terminal words")));
    EXPECT_TRUE(pressShortcut(program).endsWith(QStringLiteral("first: terminal words")));
    EXPECT_TRUE(waitFor(popupFocused));
    type({QStringLiteral("-k"), QStringLiteral("Return")});
    EXPECT_TRUE(waitFor([&] { return readFile(typed) == "terminal words"; }))
        << readFile(typed).constData();
    EXPECT_EQ(window.pasted.size(), 1);
    foot.kill();
    foot.waitForFinished();
}
