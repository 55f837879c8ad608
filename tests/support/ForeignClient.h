#pragma once

#include "platform/x11/XcbReply.h"

#include <QByteArray>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <memory>

namespace tqtest {

inline xcb_atom_t internAtom(xcb_connection_t *connection, const QByteArray &name) {
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()),
        nullptr));
    return reply ? reply->atom : XCB_NONE;
}

// Another X client on the test's display, with a connection of its own: it grabs keys on the
// root window and takes the clipboard the way any other program on the desktop would, and reads
// the server's state.
class ForeignClient {
public:
    ForeignClient()
        : m_connection(xcb_connect(nullptr, nullptr), &xcb_disconnect)
        , m_symbols(xcb_key_symbols_alloc(m_connection.get()), &xcb_key_symbols_free) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection.get())).data->root;
    }

    bool isConnected() const { return xcb_connection_has_error(m_connection.get()) == 0; }
    xcb_connection_t *connection() const { return m_connection.get(); }
    xcb_atom_t atom(const QByteArray &name) const { return internAtom(m_connection.get(), name); }

    xcb_window_t owner(const QByteArray &selection = QByteArrayLiteral("CLIPBOARD")) const {
        const auto cookie = xcb_get_selection_owner(m_connection.get(), atom(selection));
        const XcbReply<xcb_get_selection_owner_reply_t> reply(
            xcb_get_selection_owner_reply(m_connection.get(), cookie, nullptr));
        return reply ? reply->owner : XCB_NONE;
    }
    // A window of this client, which can own a selection.
    xcb_window_t window() {
        if (m_window == XCB_NONE) {
            m_window = xcb_generate_id(m_connection.get());
            xcb_create_window(m_connection.get(), XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, 1,
                              1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        }
        return m_window;
    }
    void setOwner(xcb_window_t owner,
                  const QByteArray &selection = QByteArrayLiteral("CLIPBOARD")) {
        xcb_set_selection_owner(m_connection.get(), owner, atom(selection), XCB_CURRENT_TIME);
        xcb_flush(m_connection.get());
    }

    // The key code the server's keymap gives a keysym (first match), or 0.
    xcb_keycode_t keycode(xcb_keysym_t keysym) const {
        const XcbReply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(m_symbols.get(), keysym));
        return codes ? codes.get()[0] : 0;
    }
    // The keysym at the first level of a key code.
    xcb_keysym_t keysym(int keycode) const {
        return xcb_key_symbols_get_keysym(m_symbols.get(), xcb_keycode_t(keycode), 0);
    }

    // Grabs a key code with an exact X modifier mask; false when another client holds it.
    bool grab(xcb_keycode_t keycode, quint16 mask) {
        const auto cookie = xcb_grab_key_checked(m_connection.get(), true, m_root, mask, keycode,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        const XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection.get(), cookie));
        return !error;
    }
    void ungrab(xcb_keycode_t keycode, quint16 mask) {
        xcb_ungrab_key(m_connection.get(), keycode, m_root, mask);
        const auto cookie = xcb_get_input_focus(m_connection.get());
        std::free(xcb_get_input_focus_reply(m_connection.get(), cookie, nullptr));
    }

    // The modifier and lock state of the keyboard (Lock = Caps Lock is 0x2).
    quint16 modifierState() const {
        const auto cookie = xcb_query_pointer(m_connection.get(), m_root);
        const XcbReply<xcb_query_pointer_reply_t> reply(
            xcb_query_pointer_reply(m_connection.get(), cookie, nullptr));
        return reply ? reply->mask & 0xff : 0;
    }

private:
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> m_connection;
    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> m_symbols;
    xcb_window_t m_root = 0;
    xcb_window_t m_window = XCB_NONE;
};

} // namespace tqtest
