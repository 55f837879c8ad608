#include "system/AutoPaste.h"

#include "support/FakeKeyPoster.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

// Catches every file location the program asks the desktop to open.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }
};

// Shows the paste notice and runs `act` on it once it is up and active; the notice's own
// modal loop carries the test. False when it never came up active (closed after 10 s).
bool showNotice(AutoPaste &autoPaste, const std::function<void(QMessageBox &)> &act) {
    bool acted = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box && box->isActiveWindow()) {
            poll.stop();
            acted = true;
            act(*box);
        }
    });
    poll.start(10);
    QTimer::singleShot(10000, &poll, [] { QApplication::activeModalWidget()->close(); });
    autoPaste.showPasteNotice();
    return acted;
}

// The notice says exactly why nothing was pasted and offers the way to fix it.
TEST(PasteNotice, ShowsTheTextsAndButtons) {
    tqtest::FakeKeyPoster poster;
    AutoPaste autoPaste(poster);
    const bool shown = showNotice(autoPaste, [](QMessageBox &box) {
        EXPECT_EQ(box.text(), QStringLiteral("Copied — press ⌘V to paste"));
        EXPECT_EQ(box.informativeText(),
                  QStringLiteral(
                      "Tallowquill needs Accessibility permission to paste automatically. Your "
                      "selection is on the clipboard, so you can paste it now with ⌘V.\n\nTo "
                      "enable auto-paste, allow Tallowquill under Privacy & Security → "
                      "Accessibility. If Tallowquill is already listed there, remove it with the "
                      "“−” button and add it back — a stale entry from a previous build stops the "
                      "permission from applying."));
        QStringList buttons;
        for (QAbstractButton *button : box.buttons())
            buttons << button->text();
        EXPECT_EQ(buttons,
                  (QStringList{QStringLiteral("Open System Settings"), QStringLiteral("OK")}));
        box.reject();
    });
    EXPECT_TRUE(shown);
}

// "OK" (or Escape) only closes the notice; "Open System Settings" (or Return, as the default)
// opens the help page on auto-paste once.
TEST(PasteNotice, OpensTheHelpPageOnlyWhenAsked) {
    const auto click = [](const char *text) {
        return [text](QMessageBox &box) {
            for (QAbstractButton *button : box.buttons()) {
                if (button->text() == QLatin1String(text))
                    button->click();
            }
        };
    };
    const auto press = [](Qt::Key key) {
        return [key](QMessageBox &box) { QTest::keyClick(&box, key); };
    };
    const struct {
        const char *name;
        std::function<void(QMessageBox &)> dismiss;
        qsizetype opened;
    } cases[] = {
        {"OK", click("OK"), 0},
        {"Escape", press(Qt::Key_Escape), 0},
        {"Open System Settings", click("Open System Settings"), 1},
        {"Return", press(Qt::Key_Return), 1},
    };
    // Installed into the system's data folders, as a package would.
    const QString share = tqtest::resetHome() + QStringLiteral("/share");
    const QString page = share + QStringLiteral("/tallowquill/auto-paste.html");
    QDir().mkpath(share + QStringLiteral("/tallowquill"));
    QFile::copy(QStringLiteral(TQ_SOURCE_DIR "/docs/auto-paste.html"), page);
    qputenv("XDG_DATA_DIRS", share.toLocal8Bit());

    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        tqtest::FakeKeyPoster poster;
        AutoPaste autoPaste(poster);
        OpenedUrls opened;
        EXPECT_TRUE(showNotice(autoPaste, c.dismiss));
        EXPECT_EQ(opened.urls, QList<QUrl>(c.opened, QUrl::fromLocalFile(page)));
        EXPECT_EQ(poster.pastes, 0);
    }
    qunsetenv("XDG_DATA_DIRS");
}

// The help page is there when the program runs from the build folder and when it is installed.
TEST(AutoPasteHelpPage, IsFoundBuiltAndInstalled) {
    QFile built(AutoPaste::helpPagePath(QStringLiteral(TQ_BINARY_DIR)));
    ASSERT_TRUE(built.open(QIODevice::ReadOnly));
    EXPECT_TRUE(built.readAll().contains("xdpyinfo -queryExtensions | grep XTEST"));

    const QString prefix = tqtest::resetHome() + QStringLiteral("/prefix");
    const QString installed = prefix + QStringLiteral("/share/tallowquill/auto-paste.html");
    QDir().mkpath(prefix + QStringLiteral("/bin"));
    QDir().mkpath(prefix + QStringLiteral("/share/tallowquill"));
    QFile::copy(built.fileName(), installed);
    EXPECT_EQ(AutoPaste::helpPagePath(prefix + QStringLiteral("/bin")), installed);
}

// Trust is asked again at the moment of pasting: withdrawn after the choice, no keys are typed
// and no notice is shown.
TEST(AutoPaste, TypesOnlyWhileTrusted) {
    tqtest::FakeKeyPoster poster;
    AutoPaste autoPaste(poster);
    autoPaste.autoPaste();
    poster.trusted = false;
    autoPaste.autoPaste();
    EXPECT_EQ(poster.pastes, 1);
    EXPECT_FALSE(QApplication::activeModalWidget());
}

// A sandboxed run is recognised by the marker variable alone, even when it is empty.
TEST(AutoPaste, SandboxMarkerCountsEvenWhenEmpty) {
    qunsetenv("APP_SANDBOX_CONTAINER_ID");
    EXPECT_FALSE(AutoPaste::isSandboxed());
    qputenv("APP_SANDBOX_CONTAINER_ID", "");
    EXPECT_TRUE(AutoPaste::isSandboxed());
    qunsetenv("APP_SANDBOX_CONTAINER_ID");
}

// A file manager on the session bus, recording what it is asked to show.
class FileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<QStringList> shown;
    QStringList startupIds;

public Q_SLOTS:
    void ShowItems(const QStringList &uris, const QString &startupId) {
        shown.append(uris);
        startupIds.append(startupId);
    }
};

// Revealing the program selects its executable in the file manager; with no file manager on
// the bus, its folder is opened instead.
TEST(AutoPaste, RevealShowsTheExecutableInTheFileManager) {
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"), QStringLiteral("--nofork"),
               QStringLiteral("--print-address")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return bus.canReadLine(); })) << "no dbus-daemon";
    const QString address = QString::fromUtf8(bus.readLine().trimmed());
    QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("tq-client"));
    QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("tq-service"));
    tqtest::FakeKeyPoster poster;
    AutoPaste autoPaste(poster);

    OpenedUrls opened;
    autoPaste.revealApplicationBundle(client);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !opened.urls.isEmpty(); }));
    EXPECT_EQ(opened.urls,
              QList<QUrl>{QUrl::fromLocalFile(QCoreApplication::applicationDirPath())});

    FileManager fileManager;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                       &fileManager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    autoPaste.revealApplicationBundle(client);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !fileManager.shown.isEmpty(); }));
    const QString executable = QCoreApplication::applicationFilePath();
    EXPECT_EQ(fileManager.shown, QList<QStringList>{{QUrl::fromLocalFile(executable).toString()}});
    EXPECT_EQ(fileManager.startupIds, QStringList{QString()});

    QDBusConnection::disconnectFromBus(QStringLiteral("tq-client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("tq-service"));
    bus.kill();
    bus.waitForFinished();
}

} // namespace

#include "AutoPasteTest.moc"
