#include "platform/x11/X11Workspace.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QProcess>
#include <QTest>
#include <QUrl>

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

// Revealing a file selects it in the file manager; with no file manager on the bus, its folder
// is opened instead.
TEST(X11Workspace, RevealShowsTheFileInTheFileManager) {
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"), QStringLiteral("--nofork"),
               QStringLiteral("--print-address")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return bus.canReadLine(); })) << "no dbus-daemon";
    const QString address = QString::fromUtf8(bus.readLine().trimmed());
    QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("tq-client"));
    QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("tq-service"));
    X11Workspace workspace(false, client);
    const QString executable = QCoreApplication::applicationFilePath();

    OpenedUrls opened;
    workspace.revealFile(executable);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !opened.urls.isEmpty(); }));
    EXPECT_EQ(opened.urls,
              QList<QUrl>{QUrl::fromLocalFile(QCoreApplication::applicationDirPath())});

    FileManager fileManager;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                       &fileManager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    workspace.revealFile(executable);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !fileManager.shown.isEmpty(); }));
    EXPECT_EQ(fileManager.shown, QList<QStringList>{{QUrl::fromLocalFile(executable).toString()}});
    EXPECT_EQ(fileManager.startupIds, QStringList{QString()});

    QDBusConnection::disconnectFromBus(QStringLiteral("tq-client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("tq-service"));
    bus.kill();
    bus.waitForFinished();
}

} // namespace

#include "WorkspaceX11Test.moc"
