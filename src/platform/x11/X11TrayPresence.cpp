#include "platform/x11/X11TrayPresence.h"

#include "platform/x11/XcbReply.h"

#include <QSocketNotifier>

#include <xcb/xfixes.h>

X11TrayPresence::X11TrayPresence(const QDBusConnection &bus, QObject *parent)
    : TrayPresence(parent)
    , m_hosts(bus) {
    connect(&m_hosts, &TrayPresence::presenceChanged, this,
            [this](bool present) { update(present, m_xembedTray); });

    std::optional<OwnConnection> own =
        connectToDisplay(QStringLiteral("a tray that starts later is not noticed"));
    if (!own)
        return;
    m_connection = std::move(own->connection);
    xcb_connection_t *connection = m_connection.get();
    m_selection = internAtoms(connection, {"_NET_SYSTEM_TRAY_S" + QByteArray::number(own->screen)})
                      .value(0, XCB_NONE);
    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    XcbReply<xcb_xfixes_query_version_reply_t> version;
    if (xfixes && xfixes->present)
        version.reset(xcb_xfixes_query_version_reply(
            connection, xcb_xfixes_query_version(connection, 5, 0), nullptr));
    if (version) {
        xcb_xfixes_select_selection_input(
            connection, own->root, m_selection,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        m_notifier =
            new QSocketNotifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &X11TrayPresence::readEvents);
    }
    xcb_flush(connection);
    lookAtSelection();
}

X11TrayPresence::~X11TrayPresence() = default;

void X11TrayPresence::readEvents() {
    if (xcb_connection_has_error(m_connection.get())) {
        m_notifier->setEnabled(false);
        return;
    }
    bool changed = false;
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_connection.get())})
        changed = true; // only XFIXES selection events are asked for
    if (changed)
        lookAtSelection();
}

void X11TrayPresence::lookAtSelection() {
    xcb_connection_t *connection = m_connection.get();
    XcbReply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, m_selection), nullptr));
    update(m_hostPresent, reply && reply->owner != XCB_NONE);
    // The round trip may have read events the notifier will not announce again.
    bool queued = false;
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_queued_event(connection)})
        queued = true;
    if (queued)
        lookAtSelection();
}

void X11TrayPresence::update(bool hostPresent, bool xembedTray) {
    const bool was = m_hostPresent || m_xembedTray;
    m_hostPresent = hostPresent;
    m_xembedTray = xembedTray;
    if (isPresent() != was)
        Q_EMIT presenceChanged(isPresent());
}
