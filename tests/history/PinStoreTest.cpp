#include "history/PinStore.h"

#include "HistoryTestSupport.h"
#include "history/ClipboardMonitor.h"
#include "platform/SystemLog.h"
#include "settings/AppSettings.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/time.h>

namespace {

const QString kLoadFailed = QStringLiteral("Tallowquill: failed to load pins: ");
const QString kSaveFailed = QStringLiteral("Tallowquill: failed to save pins: ");
const char kSaverFolder[] = "TQ_PINS_SAVE_FOREVER";

QString dataHome() {
    return tqtest::home() + QStringLiteral("/.local/share");
}
QString pinsFolder() {
    return dataHome() + QStringLiteral("/Tallowquill");
}
QString pinsFile() {
    return pinsFolder() + QStringLiteral("/pins.json");
}

using tqtest::readFile;
using tqtest::writeFile;

int modeOf(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

ClipboardItem entry(ClipboardItem::Kind kind, const QString &text) {
    return tqtest::entry(kind, text, ClipboardItem::now());
}

const char kElement[] = R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","kind":"text","text":"hi",)"
                        R"("containsLink":false,"copiedAt":1.5,"isPinned":false})";

// What the saver child writes in one save: every field tells which save it was, so a file
// mixing two saves or cut short is caught.
QList<ClipboardItem> generation(int number) {
    ClipboardItem text = entry(ClipboardItem::Kind::text, QStringLiteral("save %1").arg(number));
    ClipboardItem image = entry(ClipboardItem::Kind::image, QStringLiteral("Image"));
    image.imageData = QByteArray((1 + number % 4) * 1024 * 1024, char(number));
    image.copiedAt = number;
    return {text, image};
}

void expectWholeGeneration(const QList<ClipboardItem> &pins) {
    ASSERT_EQ(pins.size(), 2);
    bool ok = false;
    const int number = pins[0].text.mid(5).toInt(&ok);
    ASSERT_TRUE(ok) << pins[0].text.toStdString();
    EXPECT_EQ(pins[1].copiedAt, number);
    EXPECT_EQ(pins[1].imageData, generation(number)[1].imageData);
}

} // namespace

// A first start finds no pins and leaves no trace; the first pin makes a private folder and file.
TEST(PinStoreTest, FirstRunThenFirstPinMakesPrivateFolderAndFile) {
    tqtest::resetHome();
    SystemLog::Capture log;
    PinStore store;
    EXPECT_TRUE(store.loadPins().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dataHome()));

    store.savePins({entry(ClipboardItem::Kind::text, QStringLiteral("secret"))});
    EXPECT_EQ(store.loadPins().size(), 1);
    EXPECT_EQ(modeOf(pinsFolder()), 0700);
    EXPECT_EQ(modeOf(dataHome()), 0700);
    EXPECT_EQ(modeOf(pinsFile()), 0600);

    // An existing file left readable by others is tightened on the next save.
    ASSERT_TRUE(QFile::setPermissions(pinsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ReadOther));
    store.savePins({});
    EXPECT_EQ(modeOf(pinsFile()), 0600);

    // An open folder is tightened at the next start; one reached through a link is not ours to
    // change, nor is the folder it points to.
    ::chmod(QFile::encodeName(pinsFolder()).constData(), 0755);
    store.loadPins();
    EXPECT_EQ(modeOf(pinsFolder()), 0700);
    const QString elsewhere = tqtest::home() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().rename(pinsFolder(), elsewhere) && QFile::link(elsewhere, pinsFolder()));
    ::chmod(QFile::encodeName(elsewhere).constData(), 0755);
    store.loadPins();
    EXPECT_EQ(modeOf(elsewhere), 0755);
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join(u'\n').toStdString();
}

// Pins come back all pinned, whatever the file says (every field and the order are PinsJsonTest's
// and KilledSaveNeverLeavesABrokenFile's); unpinning the last one leaves an empty array, read
// without complaint.
TEST(PinStoreTest, PinsComeBackPinnedAndNoneIsAnEmptyArray) {
    tqtest::resetHome();
    SystemLog::Capture log;
    PinStore().savePins({});
    EXPECT_EQ(readFile(pinsFile()), QByteArray("[]"));
    EXPECT_TRUE(PinStore().loadPins().isEmpty());
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join(u'\n').toStdString();

    writeFile(pinsFile(), QByteArray("[") + kElement + "]"); // "isPinned":false
    EXPECT_TRUE(PinStore().loadPins().value(0).isPinned);
}

// A damaged file loads as no pins, says why in the log, and is left exactly as it was.
TEST(PinStoreTest, DamagedFileFailsWholeAndIsLeftAlone) {
    const QByteArray element(kElement);
    // Which faults are refused is PinsJsonTest's; here, what a refusal does.
    const QByteArray cases[] = {
        "[" + element,
        "",
        "[" +
            QByteArray(element).replace("\"text\",",
                                        "\"\\u001b[2J" + QByteArray(300, 'k') + "\",") +
            "]",
    };
    for (const QByteArray &bytes : cases) {
        SCOPED_TRACE(bytes.left(60).toStdString());
        tqtest::resetHome();
        writeFile(pinsFile(), bytes);
        SystemLog::Capture log;
        EXPECT_TRUE(PinStore().loadPins().isEmpty());
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines()[0].startsWith(kLoadFailed));
        EXPECT_GT(log.lines()[0].size(), kLoadFailed.size()) << "a description follows";
        EXPECT_LT(log.lines()[0].size(), 200) << "a value from the file is cut short";
        EXPECT_FALSE(log.lines()[0].contains(u'\x1b'));
        EXPECT_EQ(readFile(pinsFile()), bytes);
        EXPECT_EQ(QDir(pinsFolder()).entryList(QDir::Files).size(), 1);
    }
}

// The save after a failed load keeps the unreadable file beside the new one, never over an
// earlier kept file, so the user's old pins can still be rescued; also when pins.json is a
// symbolic link to the real file.
TEST(PinStoreTest, UnreadableFileIsKeptAsideBeforeTheNextSave) {
    const QByteArray corrupt = QByteArray("[") + kElement + ",{\"id\":";
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "linked" : "plain");
        tqtest::resetHome();
        const QString real =
            linked ? tqtest::home() + QStringLiteral("/dotfiles/pins.json") : pinsFile();
        writeFile(real, corrupt);
        if (linked) {
            QDir().mkpath(pinsFolder());
            ASSERT_TRUE(QFile::link(real, pinsFile()));
        }
        // Names the kept file could take in the next seconds, already in use.
        QStringList taken;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (int s = 0; s < 3; ++s) {
            taken << pinsFile() + QStringLiteral(".corrupt-") +
                         now.addSecs(s).toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
            writeFile(taken.last(), "older");
        }

        SystemLog::Capture log;
        PinStore store;
        EXPECT_TRUE(store.loadPins().isEmpty());
        const ClipboardItem pin = entry(ClipboardItem::Kind::text, QStringLiteral("new pin"));
        store.savePins({pin});
        store.savePins({pin});

        ASSERT_EQ(log.lines().size(), 2) << log.lines().join(u'\n').toStdString();
        const QString keptPrefix = QStringLiteral("Tallowquill: kept the unreadable pins file as ");
        ASSERT_TRUE(log.lines()[1].startsWith(keptPrefix)) << log.lines()[1].toStdString();
        // The line may shorten the folder, never the name.
        const QString kept = pinsFolder() + u'/' + log.lines()[1].section(u'/', -1).chopped(1);
        EXPECT_TRUE(QFileInfo(kept).fileName().startsWith(QStringLiteral("pins.json.corrupt-")));
        EXPECT_EQ(readFile(kept), corrupt);
        for (const QString &name : taken)
            EXPECT_EQ(readFile(name), QByteArray("older"));
        EXPECT_EQ(QDir(pinsFolder()).entryList(QDir::Files).size(), 5) << "kept once only";
        const QList<ClipboardItem> loaded = PinStore().loadPins();
        ASSERT_EQ(loaded.size(), 1);
        EXPECT_EQ(loaded[0].id, pin.id);
    }
}

// The pins live under $XDG_DATA_HOME (relative or empty values are AppSettingsTest's: the same
// folder rules serve both).
TEST(PinStoreTest, FolderFollowsXdgDataHome) {
    const QString data = tqtest::resetHome() + QStringLiteral("/custom/data");
    qputenv("XDG_DATA_HOME", data.toUtf8());
    EXPECT_EQ(PinStore().folder(), data + QStringLiteral("/Tallowquill"));
    PinStore().savePins({entry(ClipboardItem::Kind::text, QStringLiteral("x"))});
    EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("/Tallowquill/pins.json")));
    qunsetenv("XDG_DATA_HOME");
}

// When the folder cannot be made, the save is logged and nothing on disk changes.
TEST(PinStoreTest, SaveWithoutAFolderLogsAndChangesNothing) {
    for (const char *blocked : {"/.local/share/Tallowquill", "/.local"}) {
        SCOPED_TRACE(blocked);
        const QString blocker = tqtest::resetHome() + QLatin1String(blocked);
        writeFile(blocker, "a file, not a folder");
        SystemLog::Capture log;
        PinStore().savePins({entry(ClipboardItem::Kind::text, QStringLiteral("x"))});
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines()[0].startsWith(kSaveFailed)) << log.lines()[0].toStdString();
        EXPECT_GT(log.lines()[0].size(), kSaveFailed.size());
        EXPECT_EQ(readFile(blocker), QByteArray("a file, not a folder"));
        EXPECT_TRUE(PinStore().loadPins().isEmpty());
    }
}

// A save cut off at any moment (crash, power cut) leaves either the old file or the new one.
TEST(PinStoreTest, KilledSaveNeverLeavesABrokenFile) {
    tqtest::resetHome();
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kSaverFolder), pinsFolder());
        environment.insert(QStringLiteral("TMPDIR"), tqtest::home()); // what it leaves goes too
        QProcess saver;
        saver.setProcessEnvironment(environment);
        saver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        saver.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_also_run_disabled_tests"),
                     QStringLiteral("--gtest_filter=PinStoreSaver.DISABLED_SavesUntilItsAlarm")});
        ASSERT_TRUE(saver.waitForFinished(30'000));
        ASSERT_EQ(saver.exitStatus(), QProcess::CrashExit) << "ended by its alarm, not by a fault";

        SystemLog::Capture log;
        expectWholeGeneration(PinStore(pinsFolder()).loadPins());
        EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join(u'\n').toStdString();
        EXPECT_EQ(QDir(pinsFolder()).entryList(QDir::Files),
                  QStringList{QStringLiteral("pins.json")});
    }
}

// Not a test: the child process of KilledSaveNeverLeavesABrokenFile. After one whole save it
// keeps saving until an alarm at a random moment ends it as a crash would (SIGALRM's default).
TEST(PinStoreSaver, DISABLED_SavesUntilItsAlarm) {
    const QString folder = qEnvironmentVariable(kSaverFolder);
    ASSERT_FALSE(folder.isEmpty());
    PinStore store(folder);
    int number = QRandomGenerator::global()->bounded(1000);
    store.savePins(generation(number));
    itimerval alarm{};
    alarm.it_value.tv_usec = 1 + QRandomGenerator::global()->bounded(60'000);
    ::setitimer(ITIMER_REAL, &alarm, nullptr);
    for (;;)
        store.savePins(generation(++number));
}

// XDG_DATA_HOME on a tmpfs of 64 KiB, so the pins can outgrow the disk.
class PinStoreFullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        mountPoint = QFile::encodeName(tqtest::resetHome() + QStringLiteral("/small"));
        ASSERT_TRUE(QDir().mkpath(QFile::decodeName(mountPoint)));
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs: " << qt_error_string(errno).toStdString();
        qputenv("XDG_DATA_HOME", mountPoint);
    }
    void TearDown() override {
        ::umount2(mountPoint.constData(), MNT_DETACH); // fails harmlessly when skipped
        qunsetenv("XDG_DATA_HOME");
    }

    QByteArray mountPoint;
};

// A pin that does not fit costs only its save: it stays pinned for the session, the file keeps
// the earlier pins byte for byte with nothing half-written beside it, and they load next start.
TEST_F(PinStoreFullDisk, FailedSaveKeepsPinsAndTheOldFile) {
    tqtest::FakePasteboard pasteboard;
    AppSettings settings(std::make_unique<tqtest::MemoryDefaults>());
    PinStore store;
    ClipboardMonitor monitor(pasteboard, settings, store);
    monitor.add(entry(ClipboardItem::Kind::text, QStringLiteral("fits")));
    monitor.togglePin(monitor.recent().front().id);
    const QByteArray saved = readFile(store.folder() + QStringLiteral("/pins.json"));
    ASSERT_TRUE(saved.contains("fits"));

    SystemLog::Capture log;
    monitor.add(entry(ClipboardItem::Kind::text, QString(100'000, u'x')));
    monitor.togglePin(monitor.recent().front().id);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith(kSaveFailed)) << log.lines()[0].toStdString();
    EXPECT_EQ(monitor.pinned().size(), 2);
    EXPECT_EQ(QDir(store.folder()).entryList(QDir::Files | QDir::Hidden).join(u' ').toStdString(),
              "pins.json");
    EXPECT_EQ(readFile(store.folder() + QStringLiteral("/pins.json")), saved);
    EXPECT_EQ(tqtest::texts(PinStore().loadPins()), "fits");
}
