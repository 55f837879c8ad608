#include "system/AutoPasteHelp.h"

#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QUrl>

namespace {
Q_LOGGING_CATEGORY(lcHelp, "tallowquill.autopaste")
const QLatin1String kHelpPage("auto-paste.html");
} // namespace

void AutoPasteHelp::openHelpPage() {
    const QString page = helpPagePath(QCoreApplication::applicationDirPath());
    if (page.isEmpty()) {
        qCWarning(lcHelp) << "the help page" << kHelpPage << "is not installed";
        return;
    }
    m_workspace.openLocation(QUrl::fromLocalFile(page));
}

void AutoPasteHelp::revealExecutable() {
    m_workspace.revealFile(QCoreApplication::applicationFilePath());
}

QString AutoPasteHelp::helpPagePath(const QString &executableFolder) {
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
