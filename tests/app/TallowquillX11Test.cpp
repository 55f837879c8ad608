// The real program, started as a person would start it, on a private X server.
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
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

constexpr xcb_keycode_t kKeyV = 55; // evdev KEY_V + 8
constexpr uint16_t kSuperShift = XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT;

// Whether another client holds Super+Shift+V: our own grab of it is refused.
bool shortcutHeldElsewhere() {
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(connection,
                          xcb_grab_key_checked(connection, 1, root, kSuperShift, kKeyV,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
        &std::free);
    xcb_disconnect(connection); // releases a grab we got
    return error != nullptr;
}

bool waitFor(const std::function<bool()> &condition, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QTest::qWait(20);
    }
    return condition();
}

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
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"),
                    {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                     QStringLiteral("-t"), target, QStringLiteral("-i")});
        xclip.write(bytes);
        xclip.closeWriteChannel();
        ASSERT_TRUE(xclip.waitForFinished()); // xclip forks its owner and returns
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
