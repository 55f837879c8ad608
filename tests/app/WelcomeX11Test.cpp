// The first-run guide of the real program on a private X server, walked with the keyboard.
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRect>

#include <gtest/gtest.h>

#include <memory>

namespace {

using tqtest::waitFor;

using tqtest::xdotool;

QString guideWindow() {
    return QString::fromLatin1(
        tqtest::windowNamed(QStringLiteral("Welcome to Tallowquill")).split('\n').value(0));
}

QRect geometry(const QString &window) {
    QHash<QByteArray, int> values; // X=, Y=, WIDTH=, HEIGHT=
    for (const QByteArray &line :
         xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window})
             .split('\n'))
        values.insert(line.left(line.indexOf('=')), line.mid(line.indexOf('=') + 1).toInt());
    return {values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT")};
}

class WelcomeX11 : public ::testing::Test {
protected:
    QString home = tqtest::resetHome();
    std::unique_ptr<tqtest::RealProgram> program;
};

// A clean home opens the guide in the top right corner; Return walks it to Done, which is
// remembered, so the next start opens nothing until "Getting Started…" is chosen.
TEST_F(WelcomeX11, FirstRunIsWalkedAndRemembered) {
    program = std::make_unique<tqtest::RealProgram>();
    QString window;
    ASSERT_TRUE(waitFor(
        [&] {
            window = guideWindow();
            return !window.isEmpty();
        },
        30000))
        << program->log.constData();
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
    program.reset();

    QProcess tray;
    tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"),
                                          QStringLiteral("--align"), QStringLiteral("left")});
    ASSERT_TRUE(tray.waitForStarted()) << "trayer is missing";
    program = std::make_unique<tqtest::RealProgram>();
    ASSERT_TRUE(program->launched());
    EXPECT_TRUE(program->lines(QStringLiteral("tallowquill: launched"))
                    .first()
                    .endsWith(QStringLiteral("welcome guide already seen")));
    const QByteArray icon = tqtest::trayIcon();
    ASSERT_FALSE(icon.isEmpty());
    EXPECT_TRUE(guideWindow().isEmpty());

    // "Getting Started…", the second entry of the tray menu, opens it again.
    ASSERT_TRUE(tqtest::chooseFromTrayMenu(icon, 2));
    EXPECT_TRUE(waitFor([] { return !guideWindow().isEmpty(); }, 30000));
    program.reset();
    tray.kill();
    tray.waitForFinished();
}

} // namespace
