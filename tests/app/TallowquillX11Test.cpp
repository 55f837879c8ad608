// The real program, started as a person would start it, on a private X server.
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

using tqtest::shortcutHeldElsewhere;
using tqtest::waitFor;

QStringList filesUnder(const QString &root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    return files;
}

class Tallowquill : public ::testing::Test {
protected:
    Tallowquill() {
        home = tqtest::resetHome();
        environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    }

    std::unique_ptr<QProcess> start() {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->start(QStringLiteral(TQ_BINARY_DIR "/tallowquill"), {});
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }

    void copy(const QString &target, const QByteArray &bytes) {
        ASSERT_TRUE(tqtest::xclipCopy(target, bytes));
    }

    QString home;
    QProcessEnvironment environment;
};

// It runs without a tray, records, holds its shortcut, refuses a second copy, ends cleanly on
// SIGTERM and leaves nothing on disk but its settings.
TEST_F(Tallowquill, RunsRecordsAndEndsCleanly) {
    ASSERT_FALSE(shortcutHeldElsewhere());
    auto program = start();
    ASSERT_TRUE(waitFor(shortcutHeldElsewhere)) << program->readAllStandardError().constData();

    copy(QStringLiteral("UTF8_STRING"), QByteArrayLiteral("a secret shopping list"));
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    copy(QStringLiteral("image/png"), png);
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("key"), QStringLiteral("super+shift+v")});
    QTest::qWait(1200); // two polls of the program
    EXPECT_EQ(program->state(), QProcess::Running);

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(TQ_BINARY_DIR "/tallowquill"), {});
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_NE(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().contains("already running"));
    EXPECT_EQ(program->state(), QProcess::Running);

    ::kill(static_cast<pid_t>(program->processId()), SIGTERM);
    ASSERT_TRUE(program->waitForFinished(5000));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_FALSE(shortcutHeldElsewhere());

    for (const QString &file : filesUnder(home)) {
        if (file.startsWith(QStringLiteral("runtime/")))
            continue; // the single-instance lock
        EXPECT_EQ(file, QStringLiteral(".config/Tallowquill/Tallowquill.conf"))
            << "left on disk: " << file.toStdString();
    }
}

// Runs a command and gives its output; the test's own event loop goes on meanwhile.
QByteArray run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    waitFor([&] { return process.state() == QProcess::NotRunning; });
    return process.readAllStandardOutput().trimmed();
}

QByteArray xdotool(const QStringList &arguments) {
    return run(QStringLiteral("xdotool"), arguments);
}

QByteArray windowNamed(const QString &name) {
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--name"), QLatin1Char('^') + name + QLatin1Char('$')});
}

// From the tray menu to a new shortcut, as a person does it: the settings window records
// Super+Shift+K, which then opens the popup while Super+Shift+V no longer does.
TEST_F(Tallowquill, SettingsRecordsANewShortcut) {
    QProcess tray;
    tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"),
                                          QStringLiteral("--align"), QStringLiteral("left")});
    ASSERT_TRUE(tray.waitForStarted()) << "trayer is missing";
    auto program = start();
    QByteArray icon;
    ASSERT_TRUE(waitFor([&] {
        icon = xdotool({QStringLiteral("search"), QStringLiteral("--class"),
                        QStringLiteral("tallowquill")})
                   .split('\n')
                   .value(0);
        return !icon.isEmpty() && shortcutHeldElsewhere();
    }));
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::fromLatin1(icon),
             QStringLiteral("8"), QStringLiteral("8"), QStringLiteral("click"),
             QStringLiteral("1")});
    ASSERT_TRUE(waitFor([] {
        return !xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--class"), QStringLiteral("tallowquill")})
                    .isEmpty();
    }));
    // The history item, then "Getting Started…", then "Settings…".
    xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"),
             QStringLiteral("Down"), QStringLiteral("Return")});
    QByteArray settings;
    ASSERT_TRUE(waitFor([&] {
        settings = windowNamed(QStringLiteral("Tallowquill Settings"));
        return !settings.isEmpty();
    }));
    // "Change…", at the right of the first row.
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::fromLatin1(settings),
             QStringLiteral("380"), QStringLiteral("58"), QStringLiteral("click"),
             QStringLiteral("1")});
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+k")});
    const QString conf = home + QStringLiteral("/.config/Tallowquill/Tallowquill.conf");
    ASSERT_TRUE(waitFor([&] {
        QFile file(conf);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains("hotKeyCode=40");
    })) << program->readAllStandardError().constData();

    const auto opens = [](const char *keys) {
        xdotool({QStringLiteral("key"), QLatin1String(keys)});
        const bool shown = waitFor(
            [] { return !windowNamed(QStringLiteral("Clipboard History")).isEmpty(); }, 3000);
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        waitFor([] { return windowNamed(QStringLiteral("Clipboard History")).isEmpty(); });
        return shown;
    };
    EXPECT_FALSE(opens("super+shift+v"));
    EXPECT_TRUE(opens("super+shift+k"));
    ::kill(static_cast<pid_t>(program->processId()), SIGTERM);
    program->waitForFinished(5000);
    tray.kill();
    tray.waitForFinished();
}

// Without a display the program says so in one line and fails.
TEST_F(Tallowquill, NoDisplayIsOneClearLine) {
    environment.remove(QStringLiteral("DISPLAY"));
    auto program = start();
    ASSERT_TRUE(program->waitForFinished(5000));
    EXPECT_NE(program->exitCode(), 0);
    const QByteArray error = program->readAllStandardError();
    EXPECT_TRUE(error.startsWith("tallowquill: no X display")) << error.constData();
    EXPECT_EQ(error.count('\n'), 1);
}

} // namespace
