#pragma once

#include "app/AppAction.h"
#include "platform/ActivationToken.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <optional>

class AppDelegate;
class Workspace;

// The running program on the session bus: it owns org.tallowquill.Tallowquill and serves
// org.freedesktop.Application at /org/tallowquill/Tallowquill, so that a later start, a desktop's
// key binding or any D-Bus client reaches the tray menu's actions without a tray. Activate opens
// the settings; Open is not supported. Not activatable by the bus: the lock decides who runs.
class ApplicationService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    static QString serviceName() { return QStringLiteral("org.tallowquill.Tallowquill"); }
    static QString objectPath() { return QStringLiteral("/org/tallowquill/Tallowquill"); }
    static QString interfaceName() { return QStringLiteral("org.freedesktop.Application"); }

    // The delegate and the workspace must outlive the service.
    ApplicationService(AppDelegate &delegate, Workspace &workspace, QDBusConnection bus,
                       QObject *parent = nullptr);

    // Does what this start was asked for, if anything, then takes the name; without a bus, or
    // with the name taken, says in one log line that the program cannot be reached.
    void start(std::optional<AppAction> action, const ActivationToken &token);

public Q_SLOTS:
    void Activate(const QVariantMap &platformData);
    void Open(const QStringList &uris, const QVariantMap &platformData);
    void ActivateAction(const QString &name, const QVariantList &parameter,
                        const QVariantMap &platformData);

private:
    void perform(AppAction action, const ActivationToken &token);
    void publish();

    AppDelegate &m_delegate;
    Workspace &m_workspace;
    QDBusConnection m_bus;
    bool m_published = false;
};
