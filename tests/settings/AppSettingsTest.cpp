#include "settings/AppSettings.h"

#include "platform/DefaultsStore.h"
#include "platform/QSettingsDefaultsStore.h"
#include "platform/SystemLog.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();

// What the in-memory store holds and every write made to it, kept by the test after
// AppSettings took the store.
struct StoreState {
    QMap<QString, QVariant> values;
    QStringList events;
};

class MemoryStore : public DefaultsStore {
public:
    explicit MemoryStore(std::shared_ptr<StoreState> state)
        : m_state(std::move(state)) {}
    bool contains(const QString &key) const override { return m_state->values.contains(key); }
    QVariant value(const QString &key) const override { return m_state->values.value(key); }
    void setValue(const QString &key, const QVariant &value) override {
        m_state->values.insert(key, value);
        m_state->events.append(QStringLiteral("write %1=%2").arg(key, value.toString()));
    }

private:
    std::shared_ptr<StoreState> m_state;
};

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

void writeFile(const QString &path, const QByteArray &contents) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
        QString logged; // empty: no log line
    } cases[] = {
        {"", {}, {}},
        {"hotKeyCode=0",
         {},
         QStringLiteral("hotKeyModifiers: (no value) is missing; using the default shortcut")},
        {"hotKeyModifiers=4096", {9, 768}, {}},
        {"hotKeyCode=49\nhotKeyModifiers=6912", {49, 6912}, {}},
        {"hotKeyCode=4294967295\nhotKeyModifiers=4294967295", {4294967295u, 4294967295u}, {}},
        {"hotKeyCode=2.9\nhotKeyModifiers=512\nretentionMinutes=59.99", {2, 512, false, 59}, {}},
        {"hasSeenWelcome=true\nretentionMinutes=0", {9, 768, true, 0}, {}},
        {"hasSeenWelcome=false", {9, 768, false}, {}},
        {"hasSeenWelcome=1", {9, 768, true}, {}},
        {"hasSeenWelcome=0", {9, 768, false}, {}},
        {"retentionMinutes=99999999999999999999", {9, 768, false, kMax}, {}},
        {"hotKeyCode=-1\nhotKeyModifiers=256",
         {},
         QStringLiteral("hotKeyCode: \"-1\" is out of range; using the default shortcut ⌘⇧V")},
        {"hotKeyCode=4294967296", {}, QStringLiteral("hotKeyCode: \"4294967296\" is out of range")},
        {"hotKeyCode=V\nhotKeyModifiers=0",
         {},
         QStringLiteral("hotKeyCode: \"V\" is not a number")},
        {"hotKeyCode=0\nhotKeyModifiers=-256",
         {},
         QStringLiteral("hotKeyModifiers: \"-256\" is out of range; using the default shortcut")},
        {"hotKeyCode=0\nhotKeyModifiers=99999999999999999999",
         {},
         QStringLiteral("hotKeyModifiers: \"99999999999999999999\" is out of range")},
        {"hotKeyCode=49\nhotKeyModifiers=",
         {},
         QStringLiteral("hotKeyModifiers: \"\" is not a number; using the default shortcut")},
        {"hotKeyCode=49\nhotKeyModifiers=1", {}, QStringLiteral("\"1\" holds no modifier key")},
        {"hasSeenWelcome=maybe",
         {},
         QStringLiteral("hasSeenWelcome: \"maybe\" is not a Boolean; reading false")},
        {"retentionMinutes=1, 2",
         {},
         QStringLiteral("retentionMinutes: \"1, 2\" is not a number; using the default 120")},
        {"hasSeenWelcome=\"\\ty" + QByteArray(100, 'x') + '"',
         {},
         QStringLiteral("hasSeenWelcome: \"\\x09y%1\u2026%2\" is not a Boolean")
             .arg(QString(35, u'x'), QString(39, u'x'))},
        {"retentionMinutes=-5",
         {},
         QStringLiteral("retentionMinutes: \"-5\" is negative; using the default 120")},
    };
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.ini.constData());
        const QString path = dir + QStringLiteral("/case%1.conf").arg(++index);
        const QByteArray contents = "[General]\n" + c.ini + '\n';
        writeFile(path, contents);
        SystemLog::Capture log;
        AppSettings settings(std::make_unique<QSettingsDefaultsStore>(path));
        expectLoaded(settings, c.expected);
        EXPECT_EQ(readFile(path), contents);
        if (c.logged.isEmpty()) {
            EXPECT_EQ(log.lines(), QStringList());
        } else {
            ASSERT_EQ(log.lines().size(), 1) << log.lines().join(u'\n').toStdString();
            EXPECT_TRUE(
                log.lines().first().startsWith(QStringLiteral("Tallowquill: invalid stored ")));
            EXPECT_TRUE(log.lines().first().contains(c.logged)) << log.lines()[0].toStdString();
        }
    }
}

// Pruning never wraps round: however long the retention, its length in seconds saturates.
TEST(AppSettingsRetention, SecondsSaturateInsteadOfOverflowing) {
    const qint64 cases[][2] = {
        {0, 0},       {120, 7200},          {kMax / 60, kMax / 60 * 60}, {kMax / 60 + 1, kMax},
        {kMax, kMax}, {kMin / 60 - 1, kMin}};
    AppSettings settings(std::make_unique<MemoryStore>(std::make_shared<StoreState>()));
    for (const auto &c : cases) {
        settings.setRetentionMinutes(c[0]);
        EXPECT_EQ(settings.retentionSeconds(), c[1]) << c[0];
    }
}

// Views hear of a change before it happens; the delegate's callback runs once the new value
// is held and saved, so re-registering the shortcut or pruning sees it.
TEST(AppSettingsAssignment, ObserversThenStoreThenCallback) {
    auto state = std::make_shared<StoreState>();
    AppSettings settings(std::make_unique<MemoryStore>(state));
    auto note = [&](const char *what) {
        state->events.append(QStringLiteral("%1 %2/%3 %4 %5")
                                 .arg(QLatin1String(what))
                                 .arg(settings.hotKeyCode())
                                 .arg(settings.hotKeyModifiers())
                                 .arg(settings.hasSeenWelcome())
                                 .arg(settings.retentionMinutes()));
    };
    QObject::connect(&settings, &AppSettings::willChange, [&] { note("willChange"); });
    settings.onHotKeyChange = [&] { note("hotKey"); };
    settings.onRetentionChange = [&] { note("retention"); };

    settings.setHotKeyCode(49);
    settings.setHotKeyModifiers(4096);
    settings.setRetentionMinutes(15);
    settings.setHasSeenWelcome(true);

    const QStringList expected{
        QStringLiteral("willChange 9/768 0 120"), QStringLiteral("write hotKeyCode=49"),
        // Between the two assignments the pair holds the new key code with the old mask.
        QStringLiteral("hotKey 49/768 0 120"), QStringLiteral("willChange 49/768 0 120"),
        QStringLiteral("write hotKeyModifiers=4096"), QStringLiteral("hotKey 49/4096 0 120"),
        QStringLiteral("willChange 49/4096 0 120"), QStringLiteral("write retentionMinutes=15"),
        QStringLiteral("retention 49/4096 0 15"),
        // The guide's flag calls neither callback.
        QStringLiteral("willChange 49/4096 0 15"), QStringLiteral("write hasSeenWelcome=true")};
    EXPECT_EQ(state->events, expected);
    EXPECT_EQ(settings.hotKeyDisplay(), QStringLiteral("⌃Space"));
    EXPECT_FALSE(settings.isDefaultHotKey());
}

// Choosing the setting already in force still saves it and still re-registers or prunes.
TEST(AppSettingsAssignment, SameValueStillWritesAndCallsBack) {
    auto state = std::make_shared<StoreState>();
    AppSettings settings(std::make_unique<MemoryStore>(state));
    QSignalSpy willChange(&settings, &AppSettings::willChange);
    int hotKeyCalls = 0;
    int retentionCalls = 0;
    settings.onHotKeyChange = [&] { ++hotKeyCalls; };
    settings.onRetentionChange = [&] { ++retentionCalls; };
    settings.setHotKeyCode(9);
    settings.setHotKeyModifiers(768);
    settings.setRetentionMinutes(120);
    settings.setHasSeenWelcome(false);
    EXPECT_EQ(willChange.count(), 4);
    EXPECT_EQ(hotKeyCalls, 2);
    EXPECT_EQ(retentionCalls, 1);
    EXPECT_EQ(state->events, (QStringList{QStringLiteral("write hotKeyCode=9"),
                                          QStringLiteral("write hotKeyModifiers=768"),
                                          QStringLiteral("write retentionMinutes=120"),
                                          QStringLiteral("write hasSeenWelcome=false")}));
}

// The settings file sits in ~/.config unless XDG_CONFIG_HOME names an absolute folder.
TEST(AppSettingsFile, LocationFollowsXdgConfigHome) {
    const QString standard =
        tqtest::resetHome() + QStringLiteral("/.config/Tallowquill/Tallowquill.conf");
    EXPECT_EQ(QSettingsDefaultsStore::defaultFilePath(), standard);
    for (const char *ignored : {"", "relative/config"}) {
        qputenv("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(QSettingsDefaultsStore::defaultFilePath(), standard) << ignored;
    }
    qputenv("XDG_CONFIG_HOME", "/elsewhere/conf");
    EXPECT_EQ(QSettingsDefaultsStore::defaultFilePath(),
              QStringLiteral("/elsewhere/conf/Tallowquill/Tallowquill.conf"));
    tqtest::resetHome();
}

// A first run shows ⌘⇧V and keeps history two hours; changing nothing leaves no file behind.
TEST(AppSettingsFile, UntouchedInstallationWritesNoKeys) {
    tqtest::resetHome();
    AppSettings settings(std::make_unique<QSettingsDefaultsStore>());
    settings.makeShared();
    AppSettings &shared = AppSettings::shared();
    EXPECT_EQ(&shared, &settings);
    expectLoaded(shared, {});
    EXPECT_TRUE(shared.isDefaultHotKey());
    EXPECT_EQ(shared.hotKeyDisplay(), QStringLiteral("⌘⇧V"));
    EXPECT_EQ(shared.retentionSeconds(), 7200);
    EXPECT_FALSE(QFile::exists(configFile()));
}

// What the user chooses is on disk at once, in the folder XDG_CONFIG_HOME names, and comes
// back in the next session.
TEST(AppSettingsFile, ValuesSurviveARestart) {
    const QString configHome = tqtest::resetHome() + QStringLiteral("/elsewhere");
    qputenv("XDG_CONFIG_HOME", configHome.toLocal8Bit());
    {
        AppSettings settings(std::make_unique<QSettingsDefaultsStore>());
        settings.setHotKeyCode(4294967295u);
        settings.setHotKeyModifiers(6144);
        settings.setHasSeenWelcome(true);
        settings.setRetentionMinutes(0);
        const QByteArray onDisk =
            readFile(configHome + QStringLiteral("/Tallowquill/Tallowquill.conf"));
        for (const char *line : {"hotKeyCode=4294967295", "hotKeyModifiers=6144",
                                 "hasSeenWelcome=true", "retentionMinutes=0"})
            EXPECT_TRUE(onDisk.contains(line)) << line << " missing from\n" << onDisk.constData();
    }
    AppSettings restarted(std::make_unique<QSettingsDefaultsStore>());
    expectLoaded(restarted, {4294967295u, 6144, true, 0});
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
    writeFile(folder, "a file where the settings folder belongs");
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
