#include "platform/DesktopHandoff.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>

namespace DesktopHandoff {

namespace {

Q_LOGGING_CATEGORY(lcHandoff, "tallowquill.workspace")

void openFolderOf(const QString &file) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

} // namespace

void openLocation(const QUrl &location) {
    QDesktopServices::openUrl(location);
}

void revealFile(const QDBusConnection &bus, const QString &path) {
    if (!bus.isConnected()) {
        openFolderOf(path);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    // The bus starts a file manager on demand; only when none answers is the folder opened.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), qApp); // deletes itself
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [path](QDBusPendingCallWatcher *finished) {
                         if (finished->isError()) {
                             qCInfo(lcHandoff)
                                 << "no file manager answered:" << finished->error().message();
                             openFolderOf(path);
                         }
                         finished->deleteLater();
                     });
}

} // namespace DesktopHandoff
