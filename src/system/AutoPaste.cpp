#include "system/AutoPaste.h"

#include "platform/KeyPoster.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

namespace {

Q_LOGGING_CATEGORY(lcAutoPaste, "tallowquill.autopaste")

const QLatin1String kHelpPage("auto-paste.html");

void openFolderOf(const QString &file) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

} // namespace

AutoPaste::AutoPaste(KeyPoster &poster)
    : m_poster(poster) {}

bool AutoPaste::isProcessTrusted() const {
    return m_poster.isTrusted();
}

void AutoPaste::autoPaste() {
    // The answer may have changed since the entry was chosen.
    if (!m_poster.isTrusted())
        return;
    m_poster.postPaste();
}

void AutoPaste::showPasteNotice() {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Tallowquill"));
    box.setTextFormat(Qt::PlainText);
    box.setText(QStringLiteral("Copied \u2014 press \u2318V to paste"));
    box.setInformativeText(QStringLiteral(
        "Tallowquill needs Accessibility permission to paste automatically. Your selection is on "
        "the clipboard, so you can paste it now with \u2318V.\n\nTo enable auto-paste, allow "
        "Tallowquill under Privacy & Security \u2192 Accessibility. If Tallowquill is already "
        "listed there, remove it with the \u201c\u2212\u201d button and add it back \u2014 a "
        "stale entry from a previous build stops the permission from applying."));
    QPushButton *open =
        box.addButton(QStringLiteral("Open System Settings"), QMessageBox::AcceptRole);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
    box.setDefaultButton(open);
    box.setEscapeButton(ok);

    // The program has no window in front: the notice must come up over the application the
    // user was working in.
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();

    if (box.clickedButton() == open)
        openAccessibilitySettings();
}

void AutoPaste::openAccessibilitySettings() {
    const QString page = helpPagePath(QCoreApplication::applicationDirPath());
    if (page.isEmpty()) {
        qCWarning(lcAutoPaste) << "the help page" << kHelpPage << "is not installed";
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

void AutoPaste::revealApplicationBundle() {
    revealApplicationBundle(QDBusConnection::sessionBus());
}

void AutoPaste::revealApplicationBundle(const QDBusConnection &bus) {
    const QString executable = QCoreApplication::applicationFilePath();
    if (!bus.isConnected()) {
        openFolderOf(executable);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(executable).toString(QUrl::FullyEncoded)} << QString();
    // The bus starts a file manager on demand; only when none answers is the folder opened.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), qApp); // deletes itself
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [executable](QDBusPendingCallWatcher *finished) {
                         if (finished->isError()) {
                             qCInfo(lcAutoPaste)
                                 << "no file manager answered:" << finished->error().message();
                             openFolderOf(executable);
                         }
                         finished->deleteLater();
                     });
}

bool AutoPaste::isSandboxed() {
    return qEnvironmentVariableIsSet("APP_SANDBOX_CONTAINER_ID");
}

QString AutoPaste::helpPagePath(const QString &executableFolder) {
    const QString candidates[] = {
        executableFolder + QStringLiteral("/docs/") + kHelpPage,
        executableFolder + QStringLiteral("/../share/tallowquill/") + kHelpPage,
        QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                               QStringLiteral("tallowquill/") + kHelpPage),
    };
    for (const QString &candidate : candidates) {
        const QFileInfo info(candidate);
        if (!candidate.isEmpty() && info.isFile())
            return info.canonicalFilePath();
    }
    return {};
}
