#include "system/AutoPaste.h"

#include "support/FakeKeyPoster.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

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

// Runs `act` on the paste notice once it is up and active, so the notice's own modal loop
// carries the test; closes it after ten seconds if `act` did not.
void whenNoticeIsActive(std::function<void(QMessageBox &)> act) {
    auto *poll = new QTimer(qApp);
    QDeadlineTimer deadline(10000);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act, deadline] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible())
                continue;
            if (box->isActiveWindow() || deadline.hasExpired()) {
                poll->deleteLater();
                EXPECT_TRUE(box->isActiveWindow()) << "the notice did not come to the front";
                act(*box);
                if (box->isVisible())
                    box->reject();
            }
            return;
        }
    });
    poll->start(10);
}

QPushButton *buttonNamed(QMessageBox &box, const QString &text) {
    for (QAbstractButton *button : box.buttons()) {
        if (button->text() == text)
            return qobject_cast<QPushButton *>(button);
    }
    return nullptr;
}

// Installs the help page into a data folder of its own, as a package would.
QString installHelpPage(const QString &dataFolder) {
    const QString target = dataFolder + QStringLiteral("/tallowquill/auto-paste.html");
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::copy(QStringLiteral(TQ_SOURCE_DIR "/docs/auto-paste.html"), target);
    return target;
}

// The notice says exactly why nothing was pasted and offers the way to fix it.
TEST(PasteNotice, ShowsTheTextsAndButtons) {
    tqtest::FakeKeyPoster poster;
    QString text, informative;
    QStringList buttons;
    QString defaultButton;
    whenNoticeIsActive([&](QMessageBox &box) {
        text = box.text();
        informative = box.informativeText();
        for (QAbstractButton *button : box.buttons())
            buttons << button->text();
        defaultButton = box.defaultButton() ? box.defaultButton()->text() : QString();
    });
    AutoPaste(poster).showPasteNotice();

    EXPECT_EQ(text, QStringLiteral("Copied — press ⌘V to paste"));
    EXPECT_EQ(informative,
              QStringLiteral(
                  "Tallowquill needs Accessibility permission to paste automatically. Your "
                  "selection is on the clipboard, so you can paste it now with ⌘V.\n\nTo enable "
                  "auto-paste, allow Tallowquill under Privacy & Security → Accessibility. If "
                  "Tallowquill is already listed there, remove it with the “−” button and add it "
                  "back — a stale entry from a previous build stops the permission from "
                  "applying."));
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("Open System Settings"), QStringLiteral("OK")}));
    EXPECT_EQ(defaultButton, QStringLiteral("Open System Settings"));
}

// "OK" (or Escape) only closes the notice; "Open System Settings" (or Return) opens the help
// page on auto-paste once.
TEST(PasteNotice, OpensTheHelpPageOnlyWhenAsked) {
    const struct {
        const char *name;
        std::function<void(QMessageBox &)> dismiss;
        int opened;
    } cases[] = {
        {"OK", [](QMessageBox &box) { buttonNamed(box, QStringLiteral("OK"))->click(); }, 0},
        {"Escape", [](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Escape); }, 0},
        {"Open System Settings",
         [](QMessageBox &box) {
             buttonNamed(box, QStringLiteral("Open System Settings"))->click();
         },
         1},
        {"Return", [](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Return); }, 1},
    };
    const QString home = tqtest::resetHome();
    qputenv("XDG_DATA_DIRS", (home + QStringLiteral("/usr-share")).toLocal8Bit());
    const QString page = installHelpPage(home + QStringLiteral("/usr-share"));

    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        tqtest::FakeKeyPoster poster;
        OpenedUrls opened;
        whenNoticeIsActive(c.dismiss);
        AutoPaste(poster).showPasteNotice();
        EXPECT_EQ(opened.urls.size(), c.opened);
        if (c.opened) {
            EXPECT_EQ(opened.urls.value(0), QUrl::fromLocalFile(page));
        }
        EXPECT_EQ(poster.pastes, 0);
    }
    qunsetenv("XDG_DATA_DIRS");
}

// The help page is found wherever the program runs from: the build folder, an installed
// prefix, or the system's data folders; with none there, nothing is opened.
TEST(AutoPasteHelpPage, IsFoundBuiltAndInstalled) {
    const QString built = AutoPaste::helpPagePath(QStringLiteral(TQ_BINARY_DIR));
    ASSERT_FALSE(built.isEmpty());
    QFile page(built);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("xdpyinfo -queryExtensions | grep XTEST"));

    const QString home = tqtest::resetHome();
    const QString prefix = home + QStringLiteral("/prefix");
    QDir().mkpath(prefix + QStringLiteral("/bin"));
    const QString installed = installHelpPage(prefix + QStringLiteral("/share"));
    EXPECT_EQ(AutoPaste::helpPagePath(prefix + QStringLiteral("/bin")), installed);

    qputenv("XDG_DATA_DIRS", (home + QStringLiteral("/nowhere")).toLocal8Bit());
    EXPECT_TRUE(AutoPaste::helpPagePath(home).isEmpty());
    tqtest::FakeKeyPoster poster;
    OpenedUrls opened;
    AutoPaste(poster).openAccessibilitySettings();
    EXPECT_TRUE(opened.urls.isEmpty());
    qunsetenv("XDG_DATA_DIRS");
}

// Auto-paste asks about trust again at the moment of pasting: trust withdrawn after the
// choice means no keys are typed, and no notice either.
TEST(AutoPaste, TypesOnlyWhileTrusted) {
    tqtest::FakeKeyPoster poster;
    AutoPaste autoPaste(poster);
    EXPECT_TRUE(autoPaste.isProcessTrusted());
    autoPaste.autoPaste();
    EXPECT_EQ(poster.pastes, 1);

    poster.trusted = false;
    EXPECT_FALSE(autoPaste.isProcessTrusted());
    autoPaste.autoPaste();
    EXPECT_EQ(poster.pastes, 1);
    for (QWidget *widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QMessageBox *>(widget) && widget->isVisible());
}

// A sandboxed run is recognised by the marker variable alone, even when it is empty.
TEST(AutoPaste, SandboxMarkerCountsEvenWhenEmpty) {
    qunsetenv("APP_SANDBOX_CONTAINER_ID");
    EXPECT_FALSE(AutoPaste::isSandboxed());
    qputenv("APP_SANDBOX_CONTAINER_ID", "");
    EXPECT_TRUE(AutoPaste::isSandboxed());
    qputenv("APP_SANDBOX_CONTAINER_ID", "org.example.sandbox");
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

// A private message bus for one test, stopped with it.
class PrivateBus {
public:
    PrivateBus() {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        if (m_daemon.waitForStarted() &&
            QTest::qWaitFor([this] { return m_daemon.canReadLine(); }, 10000))
            m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }
    ~PrivateBus() {
        for (const QString &name : m_names)
            QDBusConnection::disconnectFromBus(name);
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    QDBusConnection connect(const QString &name) {
        m_names << name;
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

// Revealing the program selects its executable in the file manager; without a file manager
// on the bus, or without a bus at all, its folder is opened instead.
TEST(AutoPaste, RevealShowsTheExecutableInTheFileManager) {
    const QString executable = QCoreApplication::applicationFilePath();
    const QUrl folder = QUrl::fromLocalFile(QCoreApplication::applicationDirPath());
    tqtest::FakeKeyPoster poster;
    AutoPaste autoPaste(poster);
    PrivateBus bus;
    QDBusConnection client = bus.connect(QStringLiteral("tq-test-client"));
    ASSERT_TRUE(client.isConnected()) << "dbus-daemon did not start";

    {
        SCOPED_TRACE("no file manager");
        OpenedUrls opened;
        autoPaste.revealApplicationBundle(client);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !opened.urls.isEmpty(); }, 10000));
        EXPECT_EQ(opened.urls, QList<QUrl>{folder});
    }
    {
        SCOPED_TRACE("no bus");
        OpenedUrls opened;
        autoPaste.revealApplicationBundle(QDBusConnection(QStringLiteral("tq-no-such-bus")));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !opened.urls.isEmpty(); }, 10000));
        EXPECT_EQ(opened.urls, QList<QUrl>{folder});
    }
    {
        SCOPED_TRACE("a file manager");
        FileManager fileManager;
        QDBusConnection service = bus.connect(QStringLiteral("tq-test-file-manager"));
        ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                           &fileManager, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
        autoPaste.revealApplicationBundle(client);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !fileManager.shown.isEmpty(); }, 10000));
        EXPECT_EQ(fileManager.shown,
                  QList<QStringList>{{QUrl::fromLocalFile(executable).toString()}});
        EXPECT_EQ(fileManager.startupIds, QStringList{QString()});
    }
}

} // namespace

#include "AutoPasteTest.moc"
