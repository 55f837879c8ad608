#pragma once

#include "platform/StatusNotifierTrayPresence.h"
#include "platform/x11/XcbConnection.h"

#include <xcb/xcb.h>

class QSocketNotifier;

// The trays of an X11 desktop: a StatusNotifierItem host registered with the watcher on the
// session bus, or the owner of the XEmbed tray selection _NET_SYSTEM_TRAY_S<screen>, followed
// through XFIXES on a connection of its own. Without XFIXES the selection is looked at once.
class X11TrayPresence : public TrayPresence {
    Q_OBJECT
public:
    explicit X11TrayPresence(const QDBusConnection &bus, QObject *parent = nullptr);
    ~X11TrayPresence() override;

    bool isPresent() const override { return m_hostPresent || m_xembedTray; }

private:
    void readEvents();
    void lookAtSelection();
    void update(bool hostPresent, bool xembedTray);

    StatusNotifierTrayPresence m_hosts;
    bool m_hostPresent = false; // as last told
    bool m_xembedTray = false;
    XcbConnection m_connection;
    xcb_atom_t m_selection = XCB_NONE;
    QSocketNotifier *m_notifier = nullptr; // a child
};
