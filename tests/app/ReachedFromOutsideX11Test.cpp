// The running program reached from outside: later starts with an option, and D-Bus clients.
// The tests run on a private session bus (see tests/CMakeLists.txt).
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using namespace tqtest;

struct Ended {
    int exitCode = -1;
    QString err;
};

// A process run to its end, as long as it takes.
Ended ended(QProcess &process) {
    waitFor([&] { return process.state() == QProcess::NotRunning; }, 60'000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

Ended start(const QStringList &arguments,
            const QProcessEnvironment &environment = programEnvironment()) {
    RealProgram program(environment, arguments);
    return ended(program.process);
}

Ended call(const QString &method, const QStringList &arguments) {
    QProcess gdbus;
    gdbus.start(
        QStringLiteral("gdbus"),
        QStringList{QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                    QStringLiteral("org.tallowquill.Tallowquill"), QStringLiteral("--object-path"),
                    QStringLiteral("/org/tallowquill/Tallowquill"), QStringLiteral("--method"),
                    QStringLiteral("org.freedesktop.Application.") + method} +
            arguments);
    return ended(gdbus);
}

class ReachedFromOutside : public ::testing::Test {
protected:
    QString home = resetHomeAfterTheGuide();
};

// A second start with an option does it in the first; gdbus reaches the same actions; a plain
// second start brings the settings forward with the startup id it was launched with; --quit ends
// the program cleanly.
TEST_F(ReachedFromOutside, ByLaterStartsAndOverTheBus) {
    RealProgram program;
    ASSERT_TRUE(program.launched()) << program.log.constData();
    const auto painted = [&] {
        return program.lines(QStringLiteral("tallowquill: popup painted"));
    };

    EXPECT_EQ(start({QStringLiteral("--popup")}).exitCode, 0);
    EXPECT_TRUE(waitFor([&] { return painted().size() == 1; })) << program.log.constData();
    EXPECT_EQ(start({QStringLiteral("--popup")}).exitCode, 0); // toggles, as the shortcut does
    EXPECT_TRUE(waitFor([] { return !popupShown(); }));

    EXPECT_EQ(start({QStringLiteral("--settings")}).exitCode, 0);
    QByteArray settings;
    ASSERT_TRUE(waitFor([&] {
        return !(settings = windowNamed(QStringLiteral("Tallowquill Settings"))).isEmpty();
    }));
    EXPECT_EQ(call(QStringLiteral("ActivateAction"),
                   {QStringLiteral("show-history"), QStringLiteral("[]"), QStringLiteral("{}")})
                  .exitCode,
              0);
    EXPECT_TRUE(waitFor([&] { return painted().size() == 2; })) << program.log.constData();
    QProcessEnvironment launcher = programEnvironment();
    launcher.insert(QStringLiteral("DESKTOP_STARTUP_ID"), QStringLiteral("menu-7_TIME42"));
    EXPECT_EQ(start({}, launcher).exitCode, 0);
    EXPECT_TRUE(waitFor(
        [&] { return xdotool({QStringLiteral("getwindowfocus")}) == settings && !popupShown(); }));
    EXPECT_TRUE(run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::fromLatin1(settings),
                                              QStringLiteral("_NET_STARTUP_ID")})
                    .contains("\"menu-7_TIME42\""));

    const struct {
        QString method;
        QStringList arguments;
        QString error;
    } refused[] = {
        {QStringLiteral("Open"),
         {QStringLiteral("['file:///etc/hosts']"), QStringLiteral("{}")},
         QStringLiteral("org.freedesktop.DBus.Error.NotSupported")},
        {QStringLiteral("ActivateAction"),
         {QStringLiteral("paste-all"), QStringLiteral("[]"), QStringLiteral("{}")},
         QStringLiteral("\"paste-all\"")},
    };
    for (const auto &c : refused) {
        const Ended answer = call(c.method, c.arguments);
        EXPECT_TRUE(answer.exitCode != 0 && answer.err.contains(c.error))
            << answer.err.toStdString();
    }

    EXPECT_EQ(start({QStringLiteral("--quit")}).exitCode, 0);
    const Ended quit = ended(program.process);
    EXPECT_TRUE(program.process.exitStatus() == QProcess::NormalExit && quit.exitCode == 0);
}

// Two --popup at once with none running: one becomes the program and opens the popup, the other
// hands its toggle to it and ends.
TEST_F(ReachedFromOutside, TwoPopupsAtOnceMakeOneProgram) {
    RealProgram first(programEnvironment(), {QStringLiteral("--popup")});
    RealProgram second(programEnvironment(), {QStringLiteral("--popup")});
    ASSERT_TRUE(waitFor(
        [&] {
            return first.process.state() == QProcess::NotRunning ||
                   second.process.state() == QProcess::NotRunning;
        },
        60'000));
    const bool firstEnded = first.process.state() == QProcess::NotRunning;
    RealProgram &sender = firstEnded ? first : second;
    RealProgram &program = firstEnded ? second : first;
    EXPECT_EQ(sender.process.exitCode(), 0) << sender.lines(QString()).join(u'\n').toStdString();
    EXPECT_EQ(program.process.state(), QProcess::Running);
    EXPECT_EQ(program.lines(QStringLiteral("tallowquill: popup painted")).size(), 1)
        << program.log.constData();
}

// A program without a session bus runs, saying once that it cannot be reached; a later start, with
// or without a bus of its own, then says so in one line.
TEST_F(ReachedFromOutside, WithoutABus) {
    QProcessEnvironment noBus = programEnvironment();
    noBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                 QStringLiteral("unix:path=") + home + QStringLiteral("/no-bus"));
    {
        RealProgram program(noBus);
        ASSERT_TRUE(program.launched());
        EXPECT_EQ(program.lines(QStringLiteral("Tallowquill: no session bus")).size(), 1)
            << program.log.constData();
        for (const QProcessEnvironment &environment : {noBus, programEnvironment()}) {
            const Ended later = start({QStringLiteral("--settings")}, environment);
            EXPECT_TRUE(
                later.exitCode == 1 &&
                later.err.startsWith(QStringLiteral("tallowquill: already running, but ")) &&
                later.err.count(u'\n') == 1)
                << later.err.toStdString();
        }
    }
}

} // namespace
