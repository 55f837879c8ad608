// A desktop whose tray comes after the program: the icon appears without a restart.
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace tqtest;
using namespace Qt::StringLiterals;

QStringList lines(RealProgram &program, const char *what) {
    return program.lines(QStringLiteral("tallowquill: ") + QLatin1String(what));
}

// With no tray the first run's guide flashes nothing and the log says so once; trayer started
// later gets the icon, which "Getting Started" then flashes.
TEST(LateTray, AnXEmbedTray) {
    resetHome();
    RealProgram program;
    QByteArray guide;
    ASSERT_TRUE(waitFor(
        [&] { return !(guide = windowNamed(u"Welcome to Tallowquill"_s)).isEmpty(); }, 30000))
        << program.log.constData();
    // The flashing would have begun as the guide was shown.
    ASSERT_FALSE(lines(program, "welcome guide shown").isEmpty());
    EXPECT_TRUE(lines(program, "tray icon highlighted").isEmpty());
    EXPECT_EQ(program.lines(u"Tallowquill: no system tray found"_s).size(), 1);

    QProcess tray;
    tray.start(u"trayer"_s, {});
    ASSERT_TRUE(tray.waitForStarted()) << "trayer is missing";
    EXPECT_TRUE(waitFor(
        [&] {
            const QList<QByteArray> windows = programWindows();
            return std::any_of(windows.begin(), windows.end(), [&](const QByteArray &window) {
                return !window.isEmpty() && window != guide;
            });
        },
        30000));
    RealProgram command(programEnvironment(), {u"--guide"_s});
    EXPECT_TRUE(waitFor([&] { return !lines(program, "tray icon highlighted").isEmpty(); }, 30000));
    tray.terminate();
    tray.waitForFinished();
}

// A StatusNotifierItem host that registers after the program gets its item. The watcher is a
// real one (status-notifier-watcher); this test is the host.
TEST(LateTray, AStatusNotifierHost) {
    resetHomeAfterTheGuide();
    RealProgram program;
    ASSERT_TRUE(program.launched()) << program.log.constData();
    QProcess watcher;
    watcher.start(QStringLiteral("status-notifier-watcher"), {});
    ASSERT_TRUE(watcher.waitForStarted()) << "status-notifier-watcher is missing";
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString name = u"org.kde.StatusNotifierWatcher"_s;
    // The watcher takes its name before it serves its object: each call is asked again until
    // it is answered. Plain messages: an interface object would introspect it first.
    const auto watcherCall = [&](const QString &interface, const QString &method,
                                 const QVariantList &arguments) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(name, u"/StatusNotifierWatcher"_s, interface, method);
        call.setArguments(arguments);
        return bus.call(call);
    };
    ASSERT_TRUE(waitFor(
        [&] {
            return watcherCall(name, u"RegisterStatusNotifierHost"_s, {bus.baseService()}).type() ==
                   QDBusMessage::ReplyMessage;
        },
        30000));
    EXPECT_TRUE(waitFor(
        [&] {
            const QDBusMessage reply = watcherCall(u"org.freedesktop.DBus.Properties"_s, u"Get"_s,
                                                   {name, u"RegisteredStatusNotifierItems"_s});
            return !reply.arguments()
                        .value(0)
                        .value<QDBusVariant>()
                        .variant()
                        .toStringList()
                        .isEmpty();
        },
        30000))
        << program.log.constData();
    watcher.terminate();
    watcher.waitForFinished();
}

} // namespace
