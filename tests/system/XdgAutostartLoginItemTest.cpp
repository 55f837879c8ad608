#include "platform/XdgAutostartLoginItem.h"

#include "platform/SystemLog.h"
#include "support/TestEnvironment.h"
#include "system/LaunchAtLogin.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using Status = LoginItem::Status;

// A stand-in for the program: a script that writes the path it was started as into
// $TQ_LAUNCH_MARKER.
QString makeProgram(const QString &folder) {
    EXPECT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/tallowquill");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf '%s' \"$0\" > \"$TQ_LAUNCH_MARKER\"\n");
    file.close();
    file.setPermissions(file.permissions() | QFile::ExeOwner);
    return path;
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &contents) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

ino_t inodeOf(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// The login item's state is read from the autostart entry the desktop itself reads.
TEST(XdgAutostartLoginItem, StatusFollowsTheEntryOnDisk) {
    struct Case {
        const char *name;
        std::function<void(XdgAutostartLoginItem &)> prepare;
        Status expected;
    };
    const auto edit = [](XdgAutostartLoginItem &item, const char *from, const char *to) {
        QString error;
        ASSERT_TRUE(item.registerItem(&error)) << error.toStdString();
        writeFile(item.entryPath(), readFile(item.entryPath()).replace(from, to));
    };
    const Case cases[] = {
        {"no entry", [](XdgAutostartLoginItem &) {}, Status::notRegistered},
        {"registered", [](XdgAutostartLoginItem &item) { ASSERT_TRUE(item.registerItem(nullptr)); },
         Status::enabled},
        {"hidden by the desktop",
         [&](XdgAutostartLoginItem &item) { edit(item, "Type=", "Hidden=true\nType="); },
         Status::requiresApproval},
        {"switched off by GNOME",
         [&](XdgAutostartLoginItem &item) {
             edit(item, "X-GNOME-Autostart-enabled=true", "X-GNOME-Autostart-enabled=false");
         },
         Status::requiresApproval},
        {"switched off in another group only",
         [&](XdgAutostartLoginItem &item) {
             edit(item, "Terminal=false\n", "Terminal=false\n[Desktop Action x]\nHidden=true\n");
         },
         Status::enabled},
        {"an entry for a copy of the program elsewhere",
         [](XdgAutostartLoginItem &item) {
             writeFile(item.entryPath(), "[Desktop Entry]\nType=Application\nName=Tallowquill\n"
                                         "Exec=/opt/elsewhere/tallowquill\n");
         },
         Status::notRegistered},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString home = tqtest::resetHome();
        XdgAutostartLoginItem item(makeProgram(home + QStringLiteral("/bin")));
        c.prepare(item);
        EXPECT_EQ(item.status(), c.expected);
    }

    const QString home = tqtest::resetHome();
    EXPECT_EQ(XdgAutostartLoginItem(home + QStringLiteral("/gone/tallowquill")).status(),
              Status::notFound);
    EXPECT_EQ(XdgAutostartLoginItem(QString()).status(), Status::notFound);
}

// Switching launch at login on makes the desktop start this very executable at login, however
// odd its path; switching it off removes the entry.
TEST(XdgAutostartLoginItem, RegisteredEntryStartsTheProgramAndUnregisterRemovesIt) {
    const QString home = tqtest::resetHome();
    const QString configHome = home + QStringLiteral("/config");
    qputenv("XDG_CONFIG_HOME", configHome.toLocal8Bit());
    const QString program = makeProgram(
        home + QStringLiteral("/Apps & \"Tools\"/it's $HOME `x` (1) #;*?~<>|\t\\y/bin"));
    XdgAutostartLoginItem item(program);
    const QString entry = configHome + QStringLiteral("/autostart/tallowquill.desktop");
    ASSERT_EQ(item.entryPath(), entry);

    ASSERT_TRUE(setLaunchAtLogin(true, item));
    EXPECT_TRUE(QFileInfo(entry).isFile());

    // An independent desktop-entry reader starts what the entry names.
    const QString marker = home + QStringLiteral("/launched");
    qputenv("TQ_LAUNCH_MARKER", marker.toLocal8Bit());
    EXPECT_EQ(QProcess::execute(QStringLiteral("gio"), {QStringLiteral("launch"), entry}), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(marker).size() > 0; }, 10000));
    EXPECT_EQ(QString::fromLocal8Bit(readFile(marker)), program);

    EXPECT_FALSE(setLaunchAtLogin(false, item));
    EXPECT_FALSE(QFileInfo::exists(entry));
    QString error;
    EXPECT_TRUE(item.unregisterItem(&error)) << "removing no entry is no failure";
    qunsetenv("XDG_CONFIG_HOME");
}

// The Exec line gives any executable path back unchanged to a reader that follows the
// desktop-entry rules (the value escapes, then the quoting, then %% for a literal %).
TEST(XdgAutostartLoginItem, ExecLineQuotesAndEscapesThePath) {
    const struct {
        QString path;
        QString exec; // as it stands in the file
    } cases[] = {
        {QStringLiteral("/usr/bin/tallowquill"), QStringLiteral("/usr/bin/tallowquill")},
        {QStringLiteral("/opt/my apps/tq"), QStringLiteral(R"("/opt/my apps/tq")")},
        {QStringLiteral("/opt/100%/tq"), QStringLiteral("/opt/100%%/tq")},
        {QStringLiteral("/opt/a$b/tq"), QStringLiteral(R"("/opt/a\\$b/tq")")},
        {QStringLiteral(R"(/opt/say "hi"/tq)"), QStringLiteral(R"("/opt/say \\"hi\\"/tq")")},
        {QStringLiteral(R"(/opt/back\slash/tq)"), QStringLiteral(R"("/opt/back\\\\slash/tq")")},
        {QStringLiteral("/opt/`cmd` 5%/tq"), QStringLiteral(R"("/opt/\\`cmd\\` 5%%/tq")")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(XdgAutostartLoginItem::execValue(c.path), c.exec) << c.path.toStdString();

    // An entry written for a path with % is read back as ours. (GLib's reader cannot start such
    // a path, so this one is checked with our own reader only.)
    const QString home = tqtest::resetHome();
    XdgAutostartLoginItem item(makeProgram(home + QStringLiteral("/100% \"sure\"")));
    ASSERT_TRUE(item.registerItem(nullptr));
    EXPECT_EQ(item.status(), Status::enabled);
}

// Switching on what is already on leaves the user's entry alone.
TEST(XdgAutostartLoginItem, AlreadyEnabledMakesNoWrite) {
    const QString home = tqtest::resetHome();
    XdgAutostartLoginItem item(makeProgram(home + QStringLiteral("/bin")));
    ASSERT_TRUE(setLaunchAtLogin(true, item));
    const ino_t before = inodeOf(item.entryPath());
    ASSERT_NE(before, 0u);

    EXPECT_TRUE(setLaunchAtLogin(true, item));
    EXPECT_EQ(inodeOf(item.entryPath()), before) << "an atomic rewrite would replace the file";
}

// A login item that cannot be written is reported in one log line and the switch falls back.
TEST(XdgAutostartLoginItem, FailedWriteLogsOneLineAndStaysOff) {
    const QString home = tqtest::resetHome();
    XdgAutostartLoginItem item(makeProgram(home + QStringLiteral("/bin")));
    const QString blocker = home + QStringLiteral("/.config/autostart");
    writeFile(blocker, "not a folder");

    SystemLog::Capture log;
    EXPECT_FALSE(setLaunchAtLogin(true, item));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(
        log.lines().first().startsWith(QStringLiteral("Tallowquill: login-item update failed: ")))
        << log.lines().first().toStdString();
    EXPECT_EQ(readFile(blocker), "not a folder");
    EXPECT_EQ(item.status(), Status::notRegistered);
}

} // namespace
