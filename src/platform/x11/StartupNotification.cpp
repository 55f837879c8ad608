#include "platform/x11/StartupNotification.h"

#include "platform/x11/XcbConnection.h"

#include <algorithm>
#include <cstring>

void StartupNotification::end(xcb_connection_t *connection, xcb_window_t window,
                              const QByteArray &id) {
    QByteArray quoted = id;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    const QByteArray message = "remove: ID=\"" + quoted + "\"";
    const QList<xcb_atom_t> atoms =
        internAtoms(connection, {"_NET_STARTUP_INFO_BEGIN", "_NET_STARTUP_INFO"});
    const xcb_atom_t first = atoms.value(0, XCB_ATOM_NONE);
    const xcb_atom_t more = atoms.value(1, XCB_ATOM_NONE);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    // 20 bytes an event, the message's final NUL included.
    for (qsizetype sent = 0; sent <= message.size(); sent += 20) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = window;
        event.type = sent == 0 ? first : more;
        std::memcpy(event.data.data8, message.constData() + sent,
                    std::min<qsizetype>(20, message.size() + 1 - sent));
        xcb_send_event(connection, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char *>(&event));
    }
}
