#include "system/LaunchAtLogin.h"
#include "platform/SystemLog.h"
#include "platform/XdgAutostartLoginItem.h"
#include "support/FakeLoginItem.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

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
        {"on when approval is needed registers again", Status::switchedOff, true, Status::enabled,
         false, 1, 0, true},
        {"on, but the desktop still wants approval", Status::notRegistered, true,
         Status::switchedOff, false, 1, 0, false},
        {"on when the program is not found", Status::notFound, true, Status::enabled, true, 1, 0,
         false},
        {"off when enabled", Status::enabled, false, Status::enabled, false, 0, 1, false},
        {"off when approval is needed", Status::switchedOff, false, Status::enabled, false, 0, 0,
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

// A stand-in for the program: a script that writes the path it was started as into
// $TQ_LAUNCH_MARKER.
QString makeProgram(const QString &folder) {
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/tallowquill"));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf '%s' \"$0\" > \"$TQ_LAUNCH_MARKER\"\n");
    file.setPermissions(file.permissions() | QFile::ExeOwner);
    return file.fileName();
}

using tqtest::readFile;
using tqtest::writeFile;

ino_t inodeOf(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// The login item's state is read from the autostart entry the desktop itself reads.
TEST(XdgAutostartLoginItem, StatusFollowsTheEntryOnDisk) {
    const struct {
        const char *name;
        const char *from; // edit of the registered entry; no entry at all when null
        const char *to;
        Status expected;
    } cases[] = {
        {"no entry", nullptr, nullptr, Status::notRegistered},
        {"registered", "", "", Status::enabled},
        {"hidden by the desktop", "Type=", "Hidden=true\nType=", Status::switchedOff},
        {"switched off by GNOME", "enabled=true", "enabled=false", Status::switchedOff},
        {"switched off in another group only", "Terminal=false\n",
         "Terminal=false\n[Desktop Action x]\nHidden=true\n", Status::enabled},
        {"an entry for a copy elsewhere",
         "Exec=", "Exec=/opt/elsewhere/tallowquill\nX=", Status::notRegistered},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        XdgAutostartLoginItem item(makeProgram(tqtest::resetHome() + QStringLiteral("/bin")));
        if (c.from) {
            ASSERT_TRUE(item.registerItem(nullptr));
            writeFile(item.entryPath(), readFile(item.entryPath()).replace(c.from, c.to));
        }
        EXPECT_EQ(item.status(), c.expected);
    }
    EXPECT_EQ(XdgAutostartLoginItem(tqtest::home() + QStringLiteral("/gone")).status(),
              Status::notFound);
    EXPECT_EQ(XdgAutostartLoginItem(QString()).status(), Status::notFound);
}

// At start, an enabled entry for a tallowquill that is gone (the build folder tried before the
// package) is written for this executable, in one log line; one the desktop switched off, or
// one for a copy that still exists, is left as it is.
TEST(XdgAutostartLoginItem, StartRetargetsOnlyAnEnabledEntryForAGoneProgram) {
    const struct {
        const char *keys; // after Exec
        bool oldProgramExists;
        bool retargeted;
    } cases[] = {
        {"X-GNOME-Autostart-enabled=true\n", false, true},
        {"Hidden=true\n", false, false},
        {"", true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.keys);
        const QString home = tqtest::resetHome();
        XdgAutostartLoginItem item(makeProgram(home + QStringLiteral("/usr/bin")));
        if (c.oldProgramExists)
            makeProgram(home + QStringLiteral("/build"));
        const QByteArray entry =
            "[Desktop Entry]\nExec=" + home.toUtf8() + "/build/tallowquill\n" + c.keys;
        writeFile(item.entryPath(), entry);

        SystemLog::Capture log;
        item.retargetDeadEntry();
        EXPECT_EQ(item.status() == Status::enabled, c.retargeted);
        EXPECT_EQ(log.lines().size(), c.retargeted ? 1 : 0);
        EXPECT_EQ(readFile(item.entryPath()) == entry, !c.retargeted);
    }
}

// Switching launch at login on makes the desktop start this very executable at login, however
// odd its path; switching on again rewrites nothing; switching off removes the entry.
TEST(XdgAutostartLoginItem, EntryStartsTheProgramAndGoesWhenSwitchedOff) {
    const QString home = tqtest::resetHome();
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/config")).toLocal8Bit());
    const QString program =
        makeProgram(home + QStringLiteral("/Apps & \"Tools\"/it's $HOME `x` (1) #;*?~<>|\t\\y"));
    XdgAutostartLoginItem item(program);
    const QString entry = home + QStringLiteral("/config/autostart/tallowquill.desktop");

    ASSERT_TRUE(setLaunchAtLogin(true, item));
    const ino_t written = inodeOf(entry);
    ASSERT_NE(written, 0u);
    EXPECT_TRUE(setLaunchAtLogin(true, item));
    EXPECT_EQ(inodeOf(entry), written) << "an atomic rewrite would have replaced the file";

    // An independent desktop-entry reader starts what the entry names.
    const QString marker = home + QStringLiteral("/launched");
    qputenv("TQ_LAUNCH_MARKER", marker.toLocal8Bit());
    EXPECT_EQ(QProcess::execute(QStringLiteral("gio"), {QStringLiteral("launch"), entry}), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(marker).size() > 0; }));
    EXPECT_EQ(QString::fromLocal8Bit(readFile(marker)), program);

    EXPECT_FALSE(setLaunchAtLogin(false, item));
    EXPECT_FALSE(QFileInfo::exists(entry));
    qunsetenv("XDG_CONFIG_HOME");
}

// A % in the path is written %% for a desktop-entry reader, inside quoting or not. (GLib cannot
// start a path with a %; the other escapes are EntryStartsTheProgramAndGoesWhenSwitchedOff's.)
TEST(XdgAutostartLoginItem, ExecValueQuotesAndEscapesThePath) {
    const struct {
        QString path;
        QString exec; // as it stands in the file
    } cases[] = {
        {QStringLiteral("/usr/bin/tallowquill"), QStringLiteral("/usr/bin/tallowquill")},
        {QStringLiteral("/opt/100%/tq"), QStringLiteral("/opt/100%%/tq")},
        {QStringLiteral("/opt/`cmd` 5%/tq"), QStringLiteral(R"("/opt/\\`cmd\\` 5%%/tq")")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(XdgAutostartLoginItem::execValue(c.path), c.exec) << c.path.toStdString();
}

// A login item that cannot be written is reported in one log line and the switch falls back.
TEST(XdgAutostartLoginItem, FailedWriteLogsOneLineAndStaysOff) {
    const QString home = tqtest::resetHome();
    XdgAutostartLoginItem item(makeProgram(home + QStringLiteral("/bin")));
    writeFile(home + QStringLiteral("/.config/autostart"), "a file where the folder goes");

    SystemLog::Capture log;
    EXPECT_FALSE(setLaunchAtLogin(true, item));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(
        log.lines()[0].startsWith(QStringLiteral("Tallowquill: login-item update failed: ")))
        << log.lines()[0].toStdString();
}

} // namespace
