#include "app/ApplicationService.h"

#include "app/AppDelegate.h"
#include "platform/LogQuote.h"
#include "platform/SystemLog.h"
#include "platform/Workspace.h"
#include "popup/PopupController.h"

#include <QDBusError>

#include <utility>

namespace {

ActivationToken tokenOf(const QVariantMap &platformData) {
    return {platformData.value(QStringLiteral("activation-token")).toString(),
            platformData.value(QStringLiteral("desktop-startup-id")).toString()};
}

} // namespace

ApplicationService::ApplicationService(AppDelegate &delegate, Workspace &workspace,
                                       QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_delegate(delegate)
    , m_workspace(workspace)
    , m_bus(std::move(bus)) {}

void ApplicationService::start(std::optional<AppAction> action, const ActivationToken &token) {
    if (action == AppAction::ShowHistory) {
        // A second start may be waiting for the name to toggle the history too: it appears once
        // this popup has been drawn (or has closed), so that toggle never closes a popup unseen.
        PopupController &popup = m_delegate.popup();
        for (const auto signal : {&PopupController::shownAndPainted, &PopupController::closed})
            connect(&popup, signal, this, &ApplicationService::publish, Qt::SingleShotConnection);
        perform(*action, token);
        if (popup.isOpen())
            return;
    } else if (action) {
        perform(*action, token);
    }
    publish();
}

void ApplicationService::publish() {
    if (std::exchange(m_published, true))
        return;
    if (!m_bus.isConnected()) {
        SystemLog::write(QStringLiteral("Tallowquill: no session bus (%1); it cannot be reached "
                                        "from outside, by tallowquill --popup or others")
                             .arg(m_bus.lastError().message()));
        return;
    }
    if (!m_bus.registerObject(objectPath(), this, QDBusConnection::ExportAllSlots) ||
        !m_bus.registerService(serviceName()))
        SystemLog::write(QStringLiteral("Tallowquill: cannot own %1 on the session bus (%2); it "
                                        "cannot be reached from outside")
                             .arg(serviceName(), m_bus.lastError().message()));
}

void ApplicationService::perform(AppAction action, const ActivationToken &token) {
    // Only the windows this request brings forward may use its token.
    m_workspace.setActivationToken(token);
    m_delegate.perform(action);
    m_workspace.setActivationToken({});
}

void ApplicationService::Activate(const QVariantMap &platformData) {
    perform(AppAction::Settings, tokenOf(platformData));
}

void ApplicationService::Open(const QStringList &, const QVariantMap &) {
    sendErrorReply(QDBusError::NotSupported, QStringLiteral("Tallowquill opens no files"));
}

void ApplicationService::ActivateAction(const QString &name, const QVariantList &,
                                        const QVariantMap &platformData) {
    if (const std::optional<AppAction> action = appActionNamed(name))
        perform(*action, tokenOf(platformData));
    else
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("Tallowquill has no action %1").arg(logQuoted(name)));
}
