// The program as the session's desktop asks: the shortcut kept in GNOME's settings, no
// desktop's service asked where that desktop does not run, and no paste typed where the window
// in front of a Wayland session is out of X11's sight.
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using namespace tqtest;

const QString kEntries = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
const QString kPaths = QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/"
                                      "custom-keybindings/");

QProcessEnvironment session(const char *desktop, const char *type = "x11") {
    QProcessEnvironment environment = programEnvironment();
    environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QString::fromLatin1(desktop));
    environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QString::fromLatin1(type));
    environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
    return environment;
}

// GNOME's settings as its own tools see them.
QString gsettings(const QStringList &arguments) {
    QProcess tool;
    tool.setProcessEnvironment(session("GNOME"));
    tool.start(QStringLiteral("gsettings"), arguments);
    waitFor([&] { return tool.waitForFinished(5) || tool.state() == QProcess::NotRunning; });
    return QString::fromUtf8(tool.readAllStandardOutput().trimmed());
}

// One key of a custom shortcut: read, or set to `value`.
QString entry(const QString &name, const QString &key, const QString &value = {}) {
    const QString schema = kEntries + QStringLiteral(".custom-keybinding:") + kPaths + name + u'/';
    return value.isEmpty() ? gsettings({QStringLiteral("get"), schema, key})
                           : gsettings({QStringLiteral("set"), schema, key, value});
}

QString entryPaths() {
    return gsettings({QStringLiteral("get"), kEntries, QStringLiteral("custom-keybindings")});
}

class DesktopSessionX11 : public ::testing::Test {
protected:
    bool stored(const QByteArray &text) {
        QFile file(home + QStringLiteral("/.config/Tallowquill/Tallowquill.conf"));
        return file.open(QIODevice::ReadOnly) && file.readAll().contains(text);
    }

    QString home = resetHomeAfterTheGuide();
};

} // namespace

// On GNOME the program adds one custom shortcut beside the user's own, grabs nothing itself,
// blanks the binding while recording, writes what is recorded, and takes a binding changed in
// GNOME's settings for its own; a second start adds nothing and keeps the user's binding.
TEST_F(DesktopSessionX11, GnomeKeepsTheShortcut) {
    entry(QStringLiteral("custom0"), QStringLiteral("binding"), QStringLiteral("<Super>t"));
    gsettings({QStringLiteral("set"), kEntries, QStringLiteral("custom-keybindings"),
               QStringLiteral("['") + kPaths + QStringLiteral("custom0/']")});
    const QString both = QStringLiteral("['") + kPaths + QStringLiteral("custom0/', '") + kPaths +
                         QStringLiteral("tallowquill/']");
    const QString ours = QStringLiteral("tallowquill");
    {
        RealProgram program(session("ubuntu:GNOME"));
        ASSERT_TRUE(program.launched()) << program.log.constData();
        EXPECT_EQ(program
                      .lines(QStringLiteral("Tallowquill: the shortcut is kept in GNOME's "
                                            "keyboard shortcuts"))
                      .size(),
                  1);
        EXPECT_EQ(entryPaths(), both);
        EXPECT_EQ(entry(ours, QStringLiteral("command")),
                  QStringLiteral("'" TQ_BINARY_DIR "/tallowquill --popup'"));
        EXPECT_EQ(entry(ours, QStringLiteral("binding")), QStringLiteral("'<Super><Shift>v'"));
        EXPECT_EQ(entry(QStringLiteral("custom0"), QStringLiteral("binding")),
                  QStringLiteral("'<Super>t'"));
        EXPECT_FALSE(shortcutHeldElsewhere());

        RealProgram settings(session("ubuntu:GNOME"), {QStringLiteral("--settings")});
        QByteArray window;
        ASSERT_TRUE(waitFor([&] {
            window = windowNamed(QStringLiteral("Tallowquill Settings"));
            return !window.isEmpty();
        }));
        // "Change…", at the right of the first row.
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"),
                 QString::fromLatin1(window), QStringLiteral("380"), QStringLiteral("58"),
                 QStringLiteral("click"), QStringLiteral("1")});
        EXPECT_TRUE(waitFor([&] { return entry(ours, QStringLiteral("binding")) == u"''"; }));
        xdotool({QStringLiteral("key"), QStringLiteral("super+shift+k")});
        EXPECT_TRUE(waitFor(
            [&] { return entry(ours, QStringLiteral("binding")) == u"'<Super><Shift>k'"; }));

        entry(ours, QStringLiteral("binding"), QStringLiteral("<Control><Alt>F5"));
        EXPECT_TRUE(waitFor([&] { return stored("hotKeyCode=96") && stored("=6144"); }))
            << program.log.constData();
    }
    RealProgram again(session("GNOME"));
    ASSERT_TRUE(again.launched());
    EXPECT_EQ(entryPaths(), both);
    EXPECT_EQ(entry(ours, QStringLiteral("binding")), QStringLiteral("'<Control><Alt>F5'"));
}

// Outside GNOME and Plasma nothing asks for their services (KDE's shortcut daemon starts on any
// call to its name), and the program grabs the keys itself.
TEST_F(DesktopSessionX11, OtherDesktopsAskNoDesktopService) {
    QProcess monitor;
    monitor.start(QStringLiteral("dbus-monitor"), {QStringLiteral("--session")});
    QByteArray seen;
    ASSERT_TRUE(waitFor([&] {
        seen += monitor.readAllStandardOutput();
        return !seen.isEmpty();
    }));
    {
        RealProgram program(session("XFCE"));
        ASSERT_TRUE(program.launched());
        EXPECT_TRUE(shortcutHeldElsewhere());
    }
    monitor.terminate();
    monitor.waitForFinished();
    seen += monitor.readAllStandardOutput();
    EXPECT_TRUE(seen.contains("org.tallowquill.Tallowquill")); // the monitor saw the program
    for (const char *service : {"kglobalaccel", "org.gnome", "dconf"})
        EXPECT_FALSE(seen.contains(service)) << service;
}

// In a Wayland session, no X window in front means a native one, which XTEST cannot reach: the
// entry is left on the clipboard and the notice says how to paste it.
TEST_F(DesktopSessionX11, WaylandSessionWithNoXWindowInFront) {
    RealProgram program(session("sway", "wayland"));
    ASSERT_TRUE(program.launched());
    ASSERT_TRUE(xclipCopy(QStringLiteral("UTF8_STRING"), "typed by hand"));
    ASSERT_TRUE(program.waitForRecorded(QStringLiteral("typed by hand")));
    RealProgram popup(session("sway", "wayland"), {QStringLiteral("--popup")});
    ASSERT_TRUE(waitFor(popupShown));
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    EXPECT_TRUE(waitFor([] { return !windowNamed(QStringLiteral("Tallowquill")).isEmpty(); }))
        << program.log.constData();
    EXPECT_EQ(xclipPaste(), "typed by hand");
}
