#pragma once

#include "platform/TrayPresence.h"

#include <QDBusConnection>

// A StatusNotifierItem host registered with the watcher on the session bus: the trays of Wayland
// desktops and of most X11 ones.
class StatusNotifierTrayPresence : public TrayPresence {
    Q_OBJECT
public:
    explicit StatusNotifierTrayPresence(const QDBusConnection &bus, QObject *parent = nullptr);

    bool isPresent() const override { return m_hostRegistered; }

private Q_SLOTS:
    void askForHost();
    void hostRegistered();

private:
    void setHostRegistered(bool registered);

    QDBusConnection m_bus;
    bool m_hostRegistered = false;
};
