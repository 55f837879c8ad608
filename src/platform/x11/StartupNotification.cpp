#include "platform/x11/StartupNotification.h"

#include "platform/x11/XcbReply.h"

#include <algorithm>
#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t *connection, const char *name) {
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

void StartupNotification::end(xcb_connection_t *connection, xcb_window_t window,
                              const QByteArray &id) {
    QByteArray quoted = id;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    const QByteArray message = "remove: ID=\"" + quoted + "\"";
    const xcb_atom_t first = atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(connection, "_NET_STARTUP_INFO");
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
