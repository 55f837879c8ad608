// The real program, started as a person would start it, on a private X server.
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using namespace tqtest;

class Tallowquill : public ::testing::Test {
protected:
    QString home = resetHomeAfterTheGuide();
};

// It runs without a tray, records, holds its shortcut, stays one copy, ends cleanly on
// SIGTERM and leaves nothing on disk but its settings.
TEST_F(Tallowquill, RunsRecordsAndEndsCleanly) {
    ASSERT_FALSE(shortcutHeldElsewhere());
    RealProgram program;
    ASSERT_TRUE(program.launched() && shortcutHeldElsewhere()) << program.log.constData();

    ASSERT_TRUE(xclipCopy(QStringLiteral("UTF8_STRING"), "a secret shopping list"));
    ASSERT_TRUE(program.waitForRecorded(QStringLiteral("a secret shopping list")));
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+v")});
    EXPECT_TRUE(waitFor(popupShown));
    EXPECT_EQ(program.process.state(), QProcess::Running);

    // A second start brings the running one's settings forward instead.
    RealProgram second(programEnvironment());
    EXPECT_TRUE(waitFor([&] { return second.process.state() == QProcess::NotRunning; }, 60'000));
    EXPECT_EQ(second.process.exitCode(), 0);
    EXPECT_TRUE(
        waitFor([] { return !windowNamed(QStringLiteral("Tallowquill Settings")).isEmpty(); }));
    EXPECT_EQ(program.process.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(program.process.processId()), SIGTERM);
    ASSERT_TRUE(program.process.waitForFinished(5000));
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);
    EXPECT_FALSE(shortcutHeldElsewhere());

    for (const QString &file : filesUnder(home)) {
        if (file.startsWith(QStringLiteral("runtime/")))
            continue; // the single-instance lock
        EXPECT_EQ(file, QStringLiteral(".config/Tallowquill/Tallowquill.conf"))
            << "left on disk: " << file.toStdString();
    }
}

// A copy made just before the shortcut is listed first while the popup is open; the clipboard
// outlives the program that copied, and the history holds that copy once.
TEST_F(Tallowquill, LatestCopyIsListedAndOutlivesItsOwner) {
    RealProgram program;
    ASSERT_TRUE(program.launched());
    QProcess owner; // stays until killed, as a terminal that copied
    owner.start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                          QStringLiteral("clipboard")});
    owner.write("persist me");
    owner.closeWriteChannel();
    ASSERT_TRUE(waitFor([&] { return xclipPaste() == "persist me"; }));
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+v")});
    EXPECT_TRUE(waitFor([&] {
        const QStringList shown = program.lines(QStringLiteral("tallowquill: popup "));
        return !shown.isEmpty() && shown.last().endsWith(QStringLiteral(": persist me"));
    })) << program.log.constData();
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});

    owner.kill();
    owner.waitForFinished();
    EXPECT_TRUE(waitFor([&] { return xclipPaste() == "persist me"; }));
    EXPECT_EQ(program.recorded().size(), 1) << program.log.constData();
}

// From the tray menu to a new shortcut, as a person does it under a window manager: a recording
// that another program interrupts ends, so the shortcut still opens the popup; the close button
// only hides the window, which the menu brings back; it records Super+Shift+K, which then opens
// the popup while Super+Shift+V no longer does.
TEST_F(Tallowquill, SettingsRecordsANewShortcut) {
    const tqtest::Desktop desktop({QStringLiteral("--edge"), QStringLiteral("top"),
                                   QStringLiteral("--align"), QStringLiteral("left")});
    ASSERT_TRUE(desktop.started) << "openbox or trayer is missing";
    RealProgram program;
    ASSERT_TRUE(program.launched());
    const QByteArray icon = tqtest::trayIcon();
    ASSERT_FALSE(icon.isEmpty());
    // The history item, then "Getting Started…", then "Settings…".
    ASSERT_TRUE(tqtest::chooseFromTrayMenu(icon, 3));
    QByteArray settings;
    ASSERT_TRUE(waitFor([&] {
        settings = windowNamed(QStringLiteral("Tallowquill Settings"));
        return !settings.isEmpty();
    }));
    // "Change…", at the right of the first row.
    const QStringList change{
        QStringLiteral("mousemove"), QStringLiteral("--window"), QString::fromLatin1(settings),
        QStringLiteral("380"),       QStringLiteral("58"),       QStringLiteral("click"),
        QStringLiteral("1")};
    xdotool(change);
    QProcess other;
    other.start(QStringLiteral("xmessage"), {QStringLiteral("-title"), QStringLiteral("Other"),
                                             QStringLiteral("another program")});
    ASSERT_TRUE(waitFor([] { return !windowNamed(QStringLiteral("Other")).isEmpty(); }));
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
             QString::fromLatin1(windowNamed(QStringLiteral("Other")))});
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+v")});
    EXPECT_TRUE(waitFor(popupShown));
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    other.kill();
    other.waitForFinished();

    // The close button, at the right end of openbox's title bar above the window.
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::fromLatin1(settings),
             QStringLiteral("432"), QStringLiteral("-10"), QStringLiteral("click"),
             QStringLiteral("1")});
    EXPECT_TRUE(
        waitFor([] { return windowNamed(QStringLiteral("Tallowquill Settings")).isEmpty(); }));
    ASSERT_TRUE(tqtest::chooseFromTrayMenu(icon, 3));
    EXPECT_TRUE(
        waitFor([&] { return windowNamed(QStringLiteral("Tallowquill Settings")) == settings; }));
    xdotool(change);
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+k")});
    const QString conf = home + QStringLiteral("/.config/Tallowquill/Tallowquill.conf");
    ASSERT_TRUE(waitFor([&] {
        QFile file(conf);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains("hotKeyCode=40");
    })) << program.log.constData();

    // Super+Shift+V is free for other programs again; Super+Shift+K opens the popup (told by the
    // program: under a window manager it may close again as the settings window takes focus).
    EXPECT_TRUE(waitFor([] { return !shortcutHeldElsewhere(); }));
    const auto opened = [&] { return program.lines(QStringLiteral("tallowquill: popup painted")); };
    const qsizetype before = opened().size();
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+k")});
    EXPECT_TRUE(waitFor([&] { return opened().size() > before; })) << program.log.constData();
}

// Without a display: --version answers in one line and --help in a few on standard output, any
// other argument is refused in one line on standard error, a plain start says there is no
// display, and with none running --quit and --clear-history say only that.
TEST_F(Tallowquill, CommandLineAnswersInOneLineWithoutADisplay) {
    const struct {
        QStringList arguments;
        int exitCode;
        QByteArray line; // how the one line starts
    } cases[] = {
        {{QStringLiteral("--version")}, 0, "tallowquill " TQ_VERSION "\n"},
        {{QStringLiteral("--help")}, 0, "usage: tallowquill [--popup | --settings | --guide | "},
        {{QStringLiteral("-display")}, 2, "tallowquill: unexpected argument \"-display\"; "},
        {{QStringLiteral("--help"), QStringLiteral("x")}, 2, "tallowquill: unexpected argument"},
        {{QStringLiteral("--quit")}, 1, "tallowquill: not running\n"},
        {{QStringLiteral("--clear-history")}, 1, "tallowquill: not running\n"},
        {{QStringLiteral("--popup"), QStringLiteral("--quit")},
         2,
         "tallowquill: unexpected argument \"--quit\""},
        {{}, 1, "tallowquill: no X display"},
    };
    QProcessEnvironment environment = programEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    for (const auto &c : cases) {
        RealProgram program(environment, c.arguments);
        ASSERT_TRUE(program.process.waitForFinished(5000));
        EXPECT_EQ(program.process.exitCode(), c.exitCode);
        const QByteArray out = program.process.readAllStandardOutput();
        const QByteArray printed = out + program.process.readAllStandardError();
        const bool help = c.arguments == QStringList{QStringLiteral("--help")};
        EXPECT_TRUE(printed.startsWith(c.line) && (printed.count('\n') == 1 || help) &&
                    out.isEmpty() == (c.exitCode != 0))
            << printed.constData();
    }
}

} // namespace
