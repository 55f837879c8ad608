#include "history/PinStore.h"

#include "HistoryTestSupport.h"
#include "history/ClipboardMonitor.h"
#include "platform/SystemLog.h"
#include "settings/AppSettings.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>

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

void writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int modeOf(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

ClipboardItem entry(ClipboardItem::Kind kind, const QString &text) {
    ClipboardItem item;
    item.id = QUuid::createUuid();
    item.kind = kind;
    item.text = text;
    item.copiedAt = ClipboardItem::now();
    return item;
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

// Pins come back after a restart complete, in order (most recent first), and all pinned.
TEST(PinStoreTest, PinsComeBackInOrderWithEveryField) {
    tqtest::resetHome();
    ClipboardItem image = entry(ClipboardItem::Kind::image, QStringLiteral("Image"));
    image.imageData = QByteArray("\x89PNG\r\n\x1a\n\0\x01", 10);
    ClipboardItem rich = entry(ClipboardItem::Kind::rich, QStringLiteral("see https://x.org"));
    rich.rtfData = QByteArray("{\\rtf1 see}");
    rich.containsLink = true;
    ClipboardItem text =
        entry(ClipboardItem::Kind::text, QStringLiteral("  two\r\nlines \"q\" \\"));
    text.copiedAt = 0.1 + 0.2;
    const QList<ClipboardItem> saved{image, rich, text};

    SystemLog::Capture log;
    PinStore().savePins(saved);
    const QList<ClipboardItem> loaded = PinStore().loadPins();
    ASSERT_EQ(loaded.size(), saved.size());
    for (qsizetype i = 0; i < saved.size(); ++i) {
        ClipboardItem expected = saved[i];
        expected.isPinned = true;
        EXPECT_EQ(loaded[i].toJson(), expected.toJson()) << "entry " << i;
    }

    // Unpinning the last pin leaves an empty array, which loads as no pins and no complaint.
    PinStore().savePins({});
    EXPECT_EQ(readFile(pinsFile()), QByteArray("[]"));
    EXPECT_TRUE(PinStore().loadPins().isEmpty());
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join(u'\n').toStdString();
}

// Whatever the file says, an entry in it is a pin; absent byte fields stay absent.
TEST(PinStoreTest, EntriesInTheFileAreAlwaysPinned) {
    tqtest::resetHome();
    writeFile(pinsFile(), QByteArray("[") + kElement + "]");
    const QList<ClipboardItem> loaded = PinStore().loadPins();
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_TRUE(loaded[0].isPinned);
    EXPECT_FALSE(loaded[0].rtfData);
    EXPECT_FALSE(loaded[0].imageData);
}

// A damaged file loads as no pins, says why in the log, and is left exactly as it was.
TEST(PinStoreTest, DamagedFileFailsWholeAndIsLeftAlone) {
    const QByteArray element(kElement);
    const QByteArray cases[] = {
        "[" + element + "," + QByteArray(element).replace("\"text\",", "\"video\",") + "]",
        "[" +
            QByteArray(element).replace("\"text\":\"hi\",", "\"text\":\"hi\",\"rtfData\":\"QQ\",") +
            "]",
        "[" + QByteArray(element).replace("E621E1F8-", "{E621E1F8-") + "]",
        "[" + element,
        "{\"pins\":[]}",
        "",
        "\x89PNG\r\n",
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

// The pins live under $XDG_DATA_HOME when it is an absolute path, else under ~/.local/share.
TEST(PinStoreTest, FolderFollowsXdgDataHome) {
    struct Case {
        QString value; // a leading '/' means under the temporary home
        QString folder;
    };
    const Case cases[] = {
        {QStringLiteral("/custom/data"), QStringLiteral("/custom/data/Tallowquill")},
        {QStringLiteral("relative/data"), QStringLiteral("/.local/share/Tallowquill")},
        {QString(), QStringLiteral("/.local/share/Tallowquill")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value.toStdString());
        const QString home = tqtest::resetHome();
        const QString value = c.value.startsWith(u'/') ? home + c.value : c.value;
        qputenv("XDG_DATA_HOME", value.toUtf8());
        EXPECT_EQ(PinStore().folder(), home + c.folder);
        PinStore().savePins({entry(ClipboardItem::Kind::text, QStringLiteral("x"))});
        EXPECT_TRUE(QFileInfo::exists(home + c.folder + QStringLiteral("/pins.json")));
    }
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
        environment.insert(QStringLiteral("TMPDIR"), tqtest::home());
        QProcess saver;
        saver.setProcessEnvironment(environment);
        saver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        saver.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_also_run_disabled_tests"),
                     QStringLiteral("--gtest_filter=PinStoreSaver.DISABLED_SavesForever")});
        QByteArray output;
        const QDeadlineTimer deadline(30'000);
        while (!output.contains("saved\n") && !deadline.hasExpired() &&
               saver.state() != QProcess::NotRunning) {
            saver.waitForReadyRead(100);
            output += saver.readAllStandardOutput();
        }
        ASSERT_TRUE(output.contains("saved\n")) << output.toStdString();
        // Not a wait for anything: the kill lands at a random point of the saves that follow.
        std::this_thread::sleep_for(
            std::chrono::microseconds(QRandomGenerator::global()->bounded(60'000)));
        saver.kill();
        ASSERT_TRUE(saver.waitForFinished(30'000));

        SystemLog::Capture log;
        expectWholeGeneration(PinStore(pinsFolder()).loadPins());
        EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join(u'\n').toStdString();
        EXPECT_EQ(QDir(pinsFolder()).entryList(QDir::Files),
                  QStringList{QStringLiteral("pins.json")});
    }
}

// Not a test: the child process of KilledSaveNeverLeavesABrokenFile, saving until killed.
TEST(PinStoreSaver, DISABLED_SavesForever) {
    const QString folder = qEnvironmentVariable(kSaverFolder);
    ASSERT_FALSE(folder.isEmpty());
    PinStore store(folder);
    for (int number = QRandomGenerator::global()->bounded(1000);; ++number) {
        store.savePins(generation(number));
        std::fputs("saved\n", stdout);
        std::fflush(stdout);
    }
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
