// The first-run guide of the real program on a private X server, walked with the keyboard.
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using tqtest::waitFor;

using tqtest::xdotool;

QString guideWindow() {
    return QString::fromLatin1(
        xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), QStringLiteral("^Welcome to Tallowquill$")})
            .split('\n')
            .value(0));
}

QRect geometry(const QString &window) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+))"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match =
        pattern.match(QString::fromLatin1(xdotool({QStringLiteral("getwindowgeometry"), window})));
    if (!match.hasMatch())
        return {};
    return {match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
            match.captured(4).toInt()};
}

class WelcomeX11 : public ::testing::Test {
protected:
    WelcomeX11() {
        home = tqtest::resetHome();
        environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    }

    void start() {
        program = std::make_unique<QProcess>();
        program->setProcessEnvironment(environment);
        program->start(QStringLiteral(TQ_BINARY_DIR "/tallowquill"), {});
        ASSERT_TRUE(program->waitForStarted());
    }

    void stop() {
        ::kill(static_cast<pid_t>(program->processId()), SIGTERM);
        program->waitForFinished(5000);
    }

    QString home;
    QProcessEnvironment environment;
    std::unique_ptr<QProcess> program;
};

// A clean home opens the guide in the top right corner; Return walks it to Done, which is
// remembered, so the next start opens nothing until "Getting Started…" is chosen.
TEST_F(WelcomeX11, FirstRunIsWalkedAndRemembered) {
    start();
    QString window;
    ASSERT_TRUE(waitFor(
        [&] {
            window = guideWindow();
            return !window.isEmpty();
        },
        30000))
        << program->readAllStandardError().constData();
    // No window manager and no panel: the free area is the whole 1600 × 1000 screen.
    EXPECT_TRUE(waitFor([&] { return geometry(window) == QRect(1600 - 480 - 16, 16, 480, 600); }))
        << "at " << geometry(window).x() << "," << geometry(window).y();

    // The server offers XTEST, so the permission step is the short one.
    const struct { int height; } steps[] = {{300}, {640}};
    for (const auto &step : steps) {
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        EXPECT_TRUE(waitFor([&] { return geometry(window).height() == step.height; }))
            << geometry(window).height();
        EXPECT_EQ(geometry(window).topLeft(), QPoint(1600 - 480 - 16, 16));
    }
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")}); // Done
    const QString conf = home + QStringLiteral("/.config/Tallowquill/Tallowquill.conf");
    EXPECT_TRUE(waitFor([&] {
        QFile file(conf);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains("hasSeenWelcome=true");
    }));
    EXPECT_TRUE(waitFor([] { return guideWindow().isEmpty(); }));
    stop();

    QProcess tray;
    tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"),
                                          QStringLiteral("--align"), QStringLiteral("left")});
    ASSERT_TRUE(tray.waitForStarted()) << "trayer is missing";
    start();
    const QByteArray icon = tqtest::trayIcon();
    ASSERT_FALSE(icon.isEmpty());
    // The guide would be up a quarter second after the shortcut; give it far longer.
    EXPECT_FALSE(waitFor([] { return !guideWindow().isEmpty(); }, 2000));

    // "Getting Started…", the second entry of the tray menu, opens it again.
    ASSERT_TRUE(tqtest::chooseFromTrayMenu(icon, 2));
    EXPECT_TRUE(waitFor([] { return !guideWindow().isEmpty(); }, 30000));
    stop();
    tray.kill();
    tray.waitForFinished();
}

} // namespace
