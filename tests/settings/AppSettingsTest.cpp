#include "settings/AppSettings.h"

#include "platform/DefaultsStore.h"
#include "platform/QSettingsDefaultsStore.h"
#include "platform/SystemLog.h"
#include "support/MemoryDefaultsStore.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();

struct Loaded {
    quint32 code = 9;
    quint32 modifiers = 768;
    bool seen = false;
    qint64 minutes = 120;
};

void expectLoaded(const AppSettings &settings, const Loaded &expected) {
    EXPECT_EQ(settings.hotKeyCode(), expected.code);
    EXPECT_EQ(settings.hotKeyModifiers(), expected.modifiers);
    EXPECT_EQ(settings.hasSeenWelcome(), expected.seen);
    EXPECT_EQ(settings.retentionMinutes(), expected.minutes);
}

QString configFile() {
    return tqtest::home() + QStringLiteral("/.config/Tallowquill/Tallowquill.conf");
}

} // namespace

// The settings come back after a restart as the user left them, whatever text the file
// holds; a damaged value never binds a key nobody chose (the shortcut falls back to ⌘⇧V as a
// pair), is named in one log line, and loading never writes.
TEST(AppSettingsLoading, StoredValuesAreReadAndBadOnesLogged) {
    const QString dir = tqtest::resetHome();
    const struct {
        QByteArray ini;
        Loaded expected;
        QByteArray logged; // empty: no log line
    } cases[] = {
        {"", {}, {}},
        {"hotKeyCode=0", {}, "hotKeyModifiers: (no value) is missing"},
        {"hotKeyModifiers=4096", {9, 768}, {}},
        {"hotKeyCode=49\nhotKeyModifiers=6912", {49, 6912}, {}},
        {"hotKeyCode=122\nhotKeyModifiers=4294967295", {122, 4294967295u}, {}}, // F1, "key 122"
        {"hotKeyCode=9999\nhotKeyModifiers=768", {}, "hotKeyCode: \"9999\" names no key"},
        {"hotKeyCode=2.9\nhotKeyModifiers=512\nretentionMinutes=59.99", {2, 512, false, 59}, {}},
        {"hasSeenWelcome=true\nretentionMinutes=0", {9, 768, true, 0}, {}},
        {"hasSeenWelcome=1", {9, 768, true}, {}},
        {"retentionMinutes=99999999999999999999", {9, 768, false, kMax}, {}},
        {"hotKeyCode=-1\nhotKeyModifiers=256",
         {},
         "hotKeyCode: \"-1\" is out of range; using "
         "the default shortcut \u2318\u21e7V"},
        {"hotKeyCode=V\nhotKeyModifiers=0", {}, "hotKeyCode: \"V\" is not a number"},
        {"hotKeyCode=0\nhotKeyModifiers=99999999999999999999",
         {},
         "\"99999999999999999999\" is out of range"},
        {"hotKeyCode=49\nhotKeyModifiers=1", {}, "\"1\" holds no modifier key"},
        {"hasSeenWelcome=maybe", {}, "hasSeenWelcome: \"maybe\" is not a Boolean; reading false"},
        {"retentionMinutes=1, 2", {}, "\"1, 2\" is not a number; using the default 120"},
        {"retentionMinutes=-5", {}, "retentionMinutes: \"-5\" is negative"},
        // Values from the file are escaped and cut short in the log.
        {"hasSeenWelcome=\"\\ty" + QByteArray(100, 'x') + '"',
         {},
         "hasSeenWelcome: \"\\x09y" + QByteArray(35, 'x') + "\u2026" + QByteArray(39, 'x') + '"'},
    };
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.ini.constData());
        const QString path = dir + QStringLiteral("/case%1.conf").arg(++index);
        const QByteArray contents = "[General]\n" + c.ini + '\n';
        ASSERT_TRUE(tqtest::writeFile(path, contents));
        SystemLog::Capture log;
        AppSettings settings(std::make_unique<QSettingsDefaultsStore>(path));
        expectLoaded(settings, c.expected);
        EXPECT_EQ(tqtest::readFile(path), contents);
        if (c.logged.isEmpty()) {
            EXPECT_EQ(log.lines(), QStringList());
        } else {
            ASSERT_EQ(log.lines().size(), 1) << log.lines().join(u'\n').toStdString();
            EXPECT_TRUE(
                log.lines().first().startsWith(QStringLiteral("Tallowquill: invalid stored ")));
            EXPECT_TRUE(log.lines().first().contains(QString::fromUtf8(c.logged)))
                << log.lines()[0].toStdString();
        }
    }
}

// Pruning never wraps round: however long the retention, its length in seconds saturates.
TEST(AppSettingsRetention, SecondsSaturateInsteadOfOverflowing) {
    const qint64 cases[][2] = {
        {0, 0},       {120, 7200},          {kMax / 60, kMax / 60 * 60}, {kMax / 60 + 1, kMax},
        {kMax, kMax}, {kMin / 60 - 1, kMin}};
    AppSettings settings(std::make_unique<MemoryDefaultsStore>());
    for (const auto &c : cases) {
        settings.setRetentionMinutes(c[0]);
        EXPECT_EQ(settings.retentionSeconds(), c[1]) << c[0];
    }
}

// Views hear of a change before it happens; the callbacks run once the new value is held and
// saved, so re-registering the shortcut or pruning sees it. The value already in force is still
// saved and still calls back; the guide's flag calls neither callback.
TEST(AppSettingsAssignment, CallbacksSeeTheSavedValue) {
    auto owned = std::make_unique<MemoryDefaultsStore>();
    const MemoryDefaultsStore &store = *owned;
    AppSettings settings(std::move(owned));
    QStringList seen;
    const auto note = [&](const char *what, const char *key) {
        seen << QStringLiteral("%1 %2/%3 %4 saved %5")
                    .arg(QLatin1String(what))
                    .arg(settings.hotKeyCode())
                    .arg(settings.hotKeyModifiers())
                    .arg(settings.retentionMinutes())
                    .arg(store.value(QLatin1String(key)).toString());
    };
    QObject::connect(&settings, &AppSettings::willChange, [&] { note("will", "hotKeyCode"); });
    settings.onHotKeyChange = [&] { note("hotKey", "hotKeyCode"); };
    settings.onRetentionChange = [&] { note("retention", "retentionMinutes"); };

    settings.setHotKey(49, 6144);
    settings.setHotKey(49, 6144);
    settings.setRetentionMinutes(15);
    settings.setHasSeenWelcome(true);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("will 9/768 120 saved "),
                                 QStringLiteral("hotKey 49/6144 120 saved 49"),
                                 QStringLiteral("will 49/6144 120 saved 49"),
                                 QStringLiteral("hotKey 49/6144 120 saved 49"),
                                 QStringLiteral("will 49/6144 120 saved 49"),
                                 QStringLiteral("retention 49/6144 15 saved 15"),
                                 QStringLiteral("will 49/6144 15 saved 49")}));
    EXPECT_EQ(store.value(QStringLiteral("hotKeyModifiers")).toLongLong(), 6144);
    EXPECT_TRUE(store.value(QStringLiteral("hasSeenWelcome")).toBool());
}

// The settings file sits in ~/.config unless XDG_CONFIG_HOME names an absolute folder (which
// ValuesSurviveARestart uses). A first run shows ⌘⇧V and keeps history two hours; changing
// nothing leaves no file behind.
TEST(AppSettingsFile, LocationFollowsXdgConfigHome) {
    const QString standard =
        tqtest::resetHome() + QStringLiteral("/.config/Tallowquill/Tallowquill.conf");
    EXPECT_EQ(QSettingsDefaultsStore::defaultFilePath(), standard);
    {
        AppSettings settings(std::make_unique<QSettingsDefaultsStore>());
        expectLoaded(settings, {});
        EXPECT_EQ(settings.hotKeyDisplay(), QStringLiteral("⌘⇧V"));
        EXPECT_TRUE(settings.isDefaultHotKey());
    }
    EXPECT_FALSE(QFile::exists(standard));
    for (const char *ignored : {"", "relative/config"}) {
        qputenv("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(QSettingsDefaultsStore::defaultFilePath(), standard) << ignored;
    }
    tqtest::resetHome();
}

// What the user chooses is on disk at once, in the folder XDG_CONFIG_HOME names, and comes
// back in the next session.
TEST(AppSettingsFile, ValuesSurviveARestart) {
    const QString configHome = tqtest::resetHome() + QStringLiteral("/elsewhere");
    qputenv("XDG_CONFIG_HOME", configHome.toLocal8Bit());
    {
        AppSettings settings(std::make_unique<QSettingsDefaultsStore>());
        settings.setHotKey(122, 6144);
        settings.setHasSeenWelcome(true);
        settings.setRetentionMinutes(0);
        const QByteArray onDisk =
            tqtest::readFile(configHome + QStringLiteral("/Tallowquill/Tallowquill.conf"));
        for (const char *line : {"hotKeyCode=122", "hotKeyModifiers=6144", "hasSeenWelcome=true",
                                 "retentionMinutes=0"})
            EXPECT_TRUE(onDisk.contains(line)) << line << " missing from\n" << onDisk.constData();
    }
    AppSettings restarted(std::make_unique<QSettingsDefaultsStore>());
    expectLoaded(restarted, {122, 6144, true, 0});
    EXPECT_FALSE(QFile::exists(configFile()));
    tqtest::resetHome();
}

// A settings file that cannot be read or written costs the saved values, never the running
// ones, and says so in the log; once the obstacle is gone, saving works again.
TEST(AppSettingsFile, UnusableFileIsLoggedAndRecovers) {
    tqtest::resetHome();
    QDir().mkpath(configFile()); // a folder where the file belongs
    {
        SystemLog::Capture log;
        AppSettings settings(std::make_unique<QSettingsDefaultsStore>());
        expectLoaded(settings, {});
        EXPECT_EQ(
            log.lines(),
            QStringList{QStringLiteral("Tallowquill: failed to load settings: could not read \"") +
                        configFile() + u'"'});
    }

    const QString folder = QFileInfo(configFile()).absolutePath();
    QDir(folder).removeRecursively();
    ASSERT_TRUE(tqtest::writeFile(folder, "a file where the settings folder belongs"));
    AppSettings settings(std::make_unique<QSettingsDefaultsStore>());
    {
        SystemLog::Capture log;
        settings.setRetentionMinutes(60);
        EXPECT_EQ(settings.retentionMinutes(), 60);
        EXPECT_EQ(
            log.lines(),
            QStringList{QStringLiteral("Tallowquill: failed to save settings: could not write \"") +
                        configFile() + u'"'});
    }
    ASSERT_TRUE(QFile::remove(folder));
    {
        SystemLog::Capture log;
        settings.setHasSeenWelcome(true);
        EXPECT_EQ(log.lines(), QStringList());
    }
    AppSettings restarted(std::make_unique<QSettingsDefaultsStore>());
    expectLoaded(restarted, {9, 768, true, 60});
    tqtest::resetHome();
}
