#include "platform/StatusNotifierTrayPresence.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace {
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
} // namespace

StatusNotifierTrayPresence::StatusNotifierTrayPresence(const QDBusConnection &bus, QObject *parent)
    : TrayPresence(parent)
    , m_bus(bus) {
    // Qt makes a StatusNotifierItem only where the watcher says a host is registered, so that,
    // not the watcher's name alone, is what counts.
    auto *names = new QDBusServiceWatcher(kWatcher, m_bus,
                                          QDBusServiceWatcher::WatchForRegistration |
                                              QDBusServiceWatcher::WatchForUnregistration,
                                          this);
    connect(names, &QDBusServiceWatcher::serviceRegistered, this,
            &StatusNotifierTrayPresence::askForHost);
    connect(names, &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { setHostRegistered(false); });
    m_bus.connect({}, kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"), this,
                  SLOT(hostRegistered()));
    if (m_bus.isConnected() && m_bus.interface()->isServiceRegistered(kWatcher))
        askForHost();
}

void StatusNotifierTrayPresence::askForHost() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    auto *call = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        const QDBusPendingReply<QDBusVariant> reply = *call;
        call->deleteLater();
        if (reply.isValid() && reply.value().variant().toBool())
            setHostRegistered(true);
    });
}

void StatusNotifierTrayPresence::hostRegistered() {
    setHostRegistered(true);
}

void StatusNotifierTrayPresence::setHostRegistered(bool registered) {
    if (registered == m_hostRegistered)
        return;
    m_hostRegistered = registered;
    Q_EMIT presenceChanged(registered);
}
