#include "app/RunningProgram.h"

#include "app/ApplicationService.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace {

bool nameAppears(const QDBusConnection &bus, std::chrono::milliseconds patience) {
    const QString name = ApplicationService::serviceName();
    // Watched before it is asked for, so that it cannot appear in between unseen.
    QDBusServiceWatcher watcher(name, bus, QDBusServiceWatcher::WatchForRegistration);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, &loop, &QEventLoop::quit);
    QTimer::singleShot(patience, &loop, &QEventLoop::quit);
    if (!bus.interface()->isServiceRegistered(name))
        loop.exec();
    return bus.interface()->isServiceRegistered(name);
}

int fail(const QString &why) {
    std::fprintf(stderr, "tallowquill: %s\n", why.toLocal8Bit().constData());
    return 1;
}

} // namespace

bool runningProgramIsOnTheBus() {
    const QString probe = QStringLiteral("tallowquill-probe");
    bool found = false;
    {
        const QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, probe);
        found = bus.isConnected() &&
                bus.interface()->isServiceRegistered(ApplicationService::serviceName());
    }
    QDBusConnection::disconnectFromBus(probe);
    return found;
}

int sendToRunningProgram(std::optional<AppAction> action, const ActivationToken &token,
                         const QDBusConnection &bus, std::chrono::milliseconds patience) {
    if (!bus.isConnected())
        return fail(QStringLiteral("already running, but there is no session bus to reach it (%1)")
                        .arg(bus.lastError().message()));
    if (!nameAppears(bus, patience))
        return fail(QStringLiteral("already running, but it cannot be reached: it has not taken "
                                   "%1 on the session bus")
                        .arg(ApplicationService::serviceName()));
    QVariantMap platformData;
    if (!token.xdgActivationToken.isEmpty())
        platformData.insert(QStringLiteral("activation-token"), token.xdgActivationToken);
    if (!token.startupId.isEmpty())
        platformData.insert(QStringLiteral("desktop-startup-id"), token.startupId);
    QDBusMessage call = QDBusMessage::createMethodCall(
        ApplicationService::serviceName(), ApplicationService::objectPath(),
        ApplicationService::interfaceName(),
        action ? QStringLiteral("ActivateAction") : QStringLiteral("Activate"));
    if (action)
        call << appActionName(*action) << QVariantList();
    call << platformData;
    const QDBusMessage reply = bus.call(call, QDBus::Block, int(patience.count()));
    if (reply.type() == QDBusMessage::ErrorMessage)
        return fail(
            QStringLiteral("the running program did not do it: %1").arg(reply.errorMessage()));
    return 0;
}
