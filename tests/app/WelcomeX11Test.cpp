// The first-run guide of the real program on a private X server, walked with the keyboard.
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QProcess>
#include <QRect>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace Qt::StringLiterals;
using tqtest::waitFor;

using tqtest::xdotool;

QString guideWindow() {
    return QString::fromLatin1(
        tqtest::windowNamed(QStringLiteral("Welcome to Tallowquill")).split('\n').value(0));
}

// A command line of plain words; its output.
QByteArray run(const QString &line) {
    QStringList words = line.split(u' ');
    return tqtest::run(words.takeFirst(), words);
}

// The window's own area (xdotool would count a window manager's frame in).
QRect geometry(const QString &window) {
    QHash<QByteArray, int> values; // "  Absolute upper-left X:  1104", "  Width: 480"
    for (const QByteArray &line : run(u"xwininfo -id "_s + window).split('\n'))
        values.insert(line.left(line.indexOf(':')).trimmed(),
                      line.mid(line.indexOf(':') + 1).trimmed().toInt());
    return {values.value("Absolute upper-left X"), values.value("Absolute upper-left Y"),
            values.value("Width"), values.value("Height")};
}

// What xprop shows of a property ("= 0, 24, 1600, 976"), or a zero when it is not set.
QList<int> cardinals(const QString &arguments) {
    QList<int> values;
    for (const QByteArray &part : run(u"xprop "_s + arguments).split('=').value(1).split(','))
        values << part.trimmed().toInt();
    return values;
}

// The window as the user sees it, with the frame its manager draws (left, right, top, bottom).
QRect frame(const QString &window) {
    const QList<int> e = cardinals(u"-id %1 _NET_FRAME_EXTENTS"_s.arg(window));
    return geometry(window).adjusted(-e.value(0), -e.value(2), e.value(1), e.value(3));
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

    // Return to the end, each step once it shows (the short permission step: XTEST is there).
    for (const int height : {300, 640}) {
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        EXPECT_TRUE(waitFor([&] { return geometry(window).height() == height; }));
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

// Under openbox the frame, title bar included, lies 16 in from the right and top edges of the
// area the panel leaves, and within it on a small screen (a run of its own), where the content
// scrolls and "Done" stays in view. The frame keeps its title bar and borders, and gets no grip,
// as the steps change the height.
TEST_F(WelcomeX11, FrameUnderAWindowManager) {
    const struct {
        const char *edge;
        QList<int> area; // x, y, width, height: the screen less the 24-pixel panel
    } setups[] = {
        {"top", {0, 24, 1600, 976}},
        {"bottom", {0, 0, 1600, 976}},
        {"bottom", {0, 0, 1024, 576}},
    };
    for (const auto &setup : setups) {
        if (QGuiApplication::primaryScreen()->size() != QSize(setup.area[2], setup.area[3] + 24))
            continue;
        SCOPED_TRACE(setup.edge);
        const tqtest::Desktop desktop(
            u"--height 24 --SetDockType true --SetPartialStrut true --edge %1"_s
                .arg(QLatin1String(setup.edge))
                .split(u' '));
        ASSERT_TRUE(desktop.started) << "openbox or trayer is missing";
        ASSERT_TRUE(waitFor(
            [&] { return cardinals(u"-root _NET_WORKAREA"_s).mid(0, 4) == setup.area; }, 30000))
            << run(u"xprop -root _NET_WORKAREA"_s).constData();
        tqtest::resetHome();
        const tqtest::RealProgram guide;
        QString window;
        ASSERT_TRUE(waitFor([&] { return !(window = guideWindow()).isEmpty(); }, 30000));
        const QPoint corner(setup.area[0] + setup.area[2] - 1 - 16, setup.area[1] + 16);
        int chrome = 0; // title bar and borders, as the first step has them
        for (const int content : {600, 300, 640}) {
            if (content != 600) {
                xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
                xdotool({QStringLiteral("key"), QStringLiteral("Return")});
            }
            EXPECT_TRUE(waitFor([&] {
                const QRect outer = frame(window);
                chrome = content == 600 ? outer.height() - geometry(window).height() : chrome;
                return chrome > 0 && outer.height() - geometry(window).height() == chrome &&
                       outer.height() == std::min(content + chrome, setup.area[3] - 32) &&
                       outer.topRight() == corner;
            })) << content
                << ": " << frame(window).y() << " +" << frame(window).height();
        }
        const QRect client = geometry(window); // "Done" is clicked where it shows
        run(u"xdotool mousemove %1 %2 click 1"_s.arg(client.right() - 60)
                .arg(client.bottom() - 28));
        EXPECT_TRUE(waitFor([] { return guideWindow().isEmpty(); }));
    }
}

} // namespace
