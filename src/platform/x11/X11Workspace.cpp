#include "platform/x11/X11Workspace.h"

#include "platform/DesktopHandoff.h"
#include "platform/x11/StartupNotification.h"
#include "platform/x11/XcbConnection.h"
#include "platform/x11/XcbReply.h"

#include <QCursor>
#include <QDeadlineTimer>
#include <QHash>
#include <QLoggingCategory>

#include <algorithm>
#include <memory>
#include <optional>

#include <poll.h>

#include <xcb/xcb.h>

namespace {

Q_LOGGING_CATEGORY(lcWorkspace, "tallowquill.workspace")

xcb_window_t rootOf(xcb_connection_t *connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

// Atoms never change while the server runs: each is asked for once per connection, as the
// popup's opening would otherwise wait for a dozen round trips.
xcb_atom_t atom(xcb_connection_t *connection, const char *name) {
    static xcb_connection_t *cachedFor = nullptr;
    static QHash<QByteArray, xcb_atom_t> cache;
    if (cachedFor != connection) {
        cache.clear();
        cachedFor = connection;
    }
    const QByteArray key(name);
    if (const auto known = cache.constFind(key); known != cache.constEnd())
        return *known;
    const xcb_atom_t interned = internAtoms(connection, {key}).first();
    if (interned != XCB_ATOM_NONE)
        cache.insert(key, interned);
    return interned;
}

XcbReply<xcb_get_property_reply_t> property(xcb_connection_t *connection, xcb_window_t window,
                                            xcb_atom_t name, xcb_atom_t type) {
    return XcbReply<xcb_get_property_reply_t>(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, type, 0, 1024), nullptr));
}

// Whether an atom list property holds the atom.
bool lists(const xcb_get_property_reply_t *atomList, xcb_atom_t wanted) {
    if (!atomList)
        return false;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(atomList));
    const int count = xcb_get_property_value_length(atomList) / 4;
    return std::find(atoms, atoms + count, wanted) != atoms + count;
}

// Whether a window manager runs that lists this hint as supported. The check window must be
// there too: a manager that has gone leaves its _NET_SUPPORTED behind.
bool managerSupports(xcb_connection_t *connection, const char *hint) {
    const xcb_window_t root = rootOf(connection);
    const auto check =
        property(connection, root, atom(connection, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
    if (!check || xcb_get_property_value_length(check.get()) < 4)
        return false;
    const auto supported =
        property(connection, root, atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
    return lists(supported.get(), atom(connection, hint));
}

// _NET_FRAME_EXTENTS, once the manager has set it: left, right, top and bottom.
std::optional<QMargins> extentsOf(xcb_connection_t *connection, xcb_window_t window) {
    const auto extents =
        property(connection, window, atom(connection, "_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL);
    if (!extents || xcb_get_property_value_length(extents.get()) < 16)
        return std::nullopt;
    const auto *value = static_cast<const uint32_t *>(xcb_get_property_value(extents.get()));
    return QMargins(int(value[0]), int(value[2]), int(value[1]), int(value[3]));
}

} // namespace

std::optional<Workspace::WindowId> X11Workspace::activeWindow() {
    xcb_connection_t *connection = qtConnection();
    if (!connection)
        return std::nullopt;
    const xcb_window_t root = rootOf(connection);
    // Every question at once: the popup opens on the answer, one round trip later.
    const auto ask = [&](const char *name, xcb_atom_t type) {
        return xcb_get_property(connection, 0, root, atom(connection, name), type, 0, 1024);
    };
    const xcb_get_property_cookie_t check = ask("_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW);
    const xcb_get_property_cookie_t supported = ask("_NET_SUPPORTED", XCB_ATOM_ATOM);
    const xcb_get_property_cookie_t active = ask("_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
    const xcb_get_input_focus_cookie_t focusCookie = xcb_get_input_focus(connection);
    const auto reply = [&](xcb_get_property_cookie_t cookie) {
        return XcbReply<xcb_get_property_reply_t>(
            xcb_get_property_reply(connection, cookie, nullptr));
    };
    const auto checkReply = reply(check);
    const auto supportedReply = reply(supported);
    const auto activeReply = reply(active);
    const XcbReply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(connection, focusCookie, nullptr));

    if (checkReply && xcb_get_property_value_length(checkReply.get()) >= 4 &&
        lists(supportedReply.get(), atom(connection, "_NET_ACTIVE_WINDOW")) && activeReply &&
        xcb_get_property_value_length(activeReply.get()) >= 4) {
        const xcb_window_t window =
            *static_cast<const xcb_window_t *>(xcb_get_property_value(activeReply.get()));
        if (window != XCB_NONE)
            return window;
        // A native window is in front; the X focus still names the last X window.
        if (m_inWaylandSession)
            return std::nullopt;
    }
    if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT ||
        focus->focus == root)
        return std::nullopt;
    return focus->focus;
}

void X11Workspace::activateWindow(WindowId id) {
    xcb_connection_t *connection = qtConnection();
    if (!connection || id == 0)
        return;
    const auto window = static_cast<xcb_window_t>(id);
    if (!m_startupId.isEmpty()) {
        // The window a launcher's request brought up claims its id and ends its launch feedback.
        // Its time is not used: an id a terminal passed on long ago would hold the window back.
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window,
                            atom(connection, "_NET_STARTUP_ID"), atom(connection, "UTF8_STRING"), 8,
                            uint32_t(m_startupId.size()), m_startupId.constData());
        StartupNotification::end(connection, window, m_startupId);
    }
    if (managerSupports(connection, "_NET_ACTIVE_WINDOW")) {
        // Source 2 (a pager): the user asked for this window, so focus stealing prevention
        // should let it through.
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom(connection, "_NET_ACTIVE_WINDOW");
        event.data.data32[0] = 2;
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, 0, rootOf(connection),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&event));
    } else {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        // Checked: a window that has gone or is not mapped yet refuses the focus, which is no
        // fault worth a warning.
        XcbReply<xcb_generic_error_t> error(xcb_request_check(
            connection, xcb_set_input_focus_checked(connection, XCB_INPUT_FOCUS_PARENT, window,
                                                    XCB_CURRENT_TIME)));
    }
    xcb_flush(connection);
}

void X11Workspace::setActivationToken(const ActivationToken &token) {
    m_startupId = token.startupId.toUtf8();
}

QStringList X11Workspace::windowClass(WindowId id) {
    xcb_connection_t *connection = qtConnection();
    if (!connection)
        return {};
    const xcb_window_t root = rootOf(connection);
    // The focus may rest on a child of the application's top-level window, which holds the class.
    for (auto window = static_cast<xcb_window_t>(id); window != XCB_NONE && window != root;) {
        const auto wmClass = property(connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
        if (wmClass && xcb_get_property_value_length(wmClass.get()) > 0) {
            const QByteArray value(static_cast<const char *>(xcb_get_property_value(wmClass.get())),
                                   xcb_get_property_value_length(wmClass.get()));
            QStringList parts;
            for (const QByteArray &part : value.split('\0'))
                parts << QString::fromLatin1(part);
            return parts.mid(0, 2);
        }
        const XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
        window = tree ? tree->parent : xcb_window_t(XCB_NONE);
    }
    return {};
}

bool X11Workspace::isCompositing() {
    xcb_connection_t *connection = qtConnection();
    if (!connection)
        return false;
    // Qt connects to the screen that DISPLAY names; unparsed, the first.
    char *host = nullptr;
    int display = 0;
    int screen = 0;
    xcb_parse_display(nullptr, &host, &display, &screen);
    const XcbReply<char> ownedHost(host);
    // A compositing manager owns this selection for as long as it runs (EWMH).
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    const XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom(connection, name.constData())),
        nullptr));
    return owner && owner->owner != XCB_NONE;
}

void X11Workspace::showOnAllWorkspaces(WindowId id) {
    xcb_connection_t *connection = qtConnection();
    if (!connection || id == 0)
        return;
    const uint32_t everyDesktop = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(id),
                        atom(connection, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &everyDesktop);
    // Once: a window shown again may still carry it from before.
    const xcb_atom_t sticky = atom(connection, "_NET_WM_STATE_STICKY");
    const xcb_atom_t state = atom(connection, "_NET_WM_STATE");
    const auto states = property(connection, static_cast<xcb_window_t>(id), state, XCB_ATOM_ATOM);
    if (states) {
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(states.get()));
        const int count = xcb_get_property_value_length(states.get()) / 4;
        if (std::find(atoms, atoms + count, sticky) != atoms + count)
            return;
    }
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, static_cast<xcb_window_t>(id), state,
                        XCB_ATOM_ATOM, 32, 1, &sticky);
}

QMargins X11Workspace::frameExtents(WindowId id) {
    xcb_connection_t *qt = qtConnection();
    if (!qt || id == 0 || !managerSupports(qt, "_NET_REQUEST_FRAME_EXTENTS"))
        return {};
    const auto window = static_cast<xcb_window_t>(id);
    if (m_extentsAsked.contains(id))
        return extentsOf(qt, window).value_or(QMargins());
    m_extentsAsked.insert(id);
    // Qt reads every event of its own connection: the answer is awaited on one of ours.
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> own(
        xcb_connect(nullptr, nullptr), &xcb_disconnect);
    xcb_connection_t *connection = own.get();
    if (xcb_connection_has_error(connection))
        return {};
    const uint32_t propertyChanges = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &propertyChanges);
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = window;
    request.type = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    xcb_send_event(connection, 0, rootOf(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&request));
    xcb_flush(connection);
    // A manager that lists the request answers at once; one that does not is not waited for
    // long, so the guide still comes up.
    const QDeadlineTimer deadline(500);
    for (;;) {
        if (const std::optional<QMargins> extents = extentsOf(connection, window))
            return *extents;
        pollfd readable{xcb_get_file_descriptor(connection), POLLIN, 0};
        if (::poll(&readable, 1, int(deadline.remainingTime())) <= 0) {
            qCInfo(lcWorkspace) << "the window manager did not describe its frame in time";
            return {};
        }
        while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(connection)}) {
        }
    }
}

QPoint X11Workspace::pointerPosition() const {
    return QCursor::pos();
}

void X11Workspace::openLocation(const QUrl &location) {
    DesktopHandoff::openLocation(location);
}

void X11Workspace::revealFile(const QString &path) {
    DesktopHandoff::revealFile(m_bus, path);
}
