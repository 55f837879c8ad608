// The program in a session that names KDE, where the real kglobalaccel5, on the test's bus and
// display, holds the shortcut. The tests run on a private session bus (see tests/CMakeLists.txt).
#include "support/RealProgram.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <gtest/gtest.h>

namespace {

using namespace tqtest;

const QStringList kAction{QStringLiteral("tallowquill"), QStringLiteral("show-history"),
                          QStringLiteral("Tallowquill"), QStringLiteral("Show Clipboard History")};
constexpr int kMetaShift = 0x12000000;

// Asks the service as Plasma's shortcut settings do; the keys it answers with, if any.
QList<int> ask(const QString &method, const QVariantList &arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.kglobalaccel"), QStringLiteral("/kglobalaccel"),
        QStringLiteral("org.kde.KGlobalAccel"), method);
    message.setArguments(arguments);
    return qdbus_cast<QList<int>>(QDBusConnection::sessionBus().call(message).arguments().value(0));
}

// Whether some client grabs Super+Shift+`key` on the display.
bool grabbed(xcb_keysym_t key) {
    ForeignClient probe;
    return !probe.grab(probe.keycode(key), XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT);
}

bool storedKeyCode(int code) {
    return waitFor([&] {
        return readFile(home() + QStringLiteral("/.config/Tallowquill/Tallowquill.conf"))
            .contains("hotKeyCode=" + QByteArray::number(code) + '\n');
    });
}

// The service holds Super+Shift+V for the program, and its presses open the popup; one recorded
// in the settings window is handed to the service, which frees the old one while recording; one set
// in Plasma's settings (as they set it), while the program runs or before it starts, is stored as
// if recorded, and the program grabs none itself; a program that quits leaves the keys to other
// windows.
TEST(KGlobalAccelShortcut, HeldByTheServiceAndChangedOnEitherSide) {
    resetHomeAfterTheGuide();
    // kglobalaccel5, keeping its settings in the test's home, until the test ends.
    const RealProgram service(QProcessEnvironment::systemEnvironment(), {},
                              QStringLiteral("kglobalaccel5"));
    ASSERT_TRUE(waitFor(
        [] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                QStringLiteral("org.kde.kglobalaccel"));
        },
        30'000));
    QProcessEnvironment plasma = programEnvironment();
    plasma.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("KDE"));
    std::optional<RealProgram> program(plasma);
    ASSERT_TRUE(program->launched()) << program->log.constData();
    EXPECT_EQ(ask(QStringLiteral("shortcut"), {kAction}), QList<int>{kMetaShift | Qt::Key_V});
    const auto painted = [&] {
        return program->lines(QStringLiteral("tallowquill: popup painted")).size();
    };
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+v")});
    EXPECT_TRUE(waitFor([&] { return painted() == 1; })) << program->log.constData();

    RealProgram(plasma, {QStringLiteral("--settings")}).process.waitForFinished();
    QByteArray settings;
    ASSERT_TRUE(waitFor([&] {
        settings = windowNamed(QStringLiteral("Tallowquill Settings"));
        return !settings.isEmpty() && xdotool({QStringLiteral("getwindowfocus")}) == settings;
    }));
    // "Change…", at the right of the first row.
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::fromLatin1(settings),
             QStringLiteral("380"), QStringLiteral("58"), QStringLiteral("click"),
             QStringLiteral("1")});
    EXPECT_TRUE(waitFor([] { return !grabbed(XK_v); }));
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+k")});
    EXPECT_TRUE(storedKeyCode(40)) << program->log.constData();
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+k")});
    EXPECT_TRUE(waitFor([&] { return painted() == 2; })) << program->log.constData();

    ask(QStringLiteral("setForeignShortcut"),
        {kAction, QVariant::fromValue(QList<int>{kMetaShift | Qt::Key_L})});
    EXPECT_TRUE(storedKeyCode(37)) << program->log.constData();
    program.reset();
    EXPECT_TRUE(waitFor([] { return !grabbed(XK_l); }));

    ask(QStringLiteral("setForeignShortcut"),
        {kAction, QVariant::fromValue(QList<int>{kMetaShift | Qt::Key_J})});
    program.emplace(plasma);
    ASSERT_TRUE(program->launched()) << program->log.constData();
    EXPECT_TRUE(storedKeyCode(38)) << program->log.constData();
    EXPECT_FALSE(grabbed(XK_l)); // the stored key, which a grab of the program's own would hold
}

} // namespace
