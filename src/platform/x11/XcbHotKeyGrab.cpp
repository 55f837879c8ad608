#include "platform/x11/XcbHotKeyGrab.h"

#include "platform/x11/XcbReply.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#include <X11/keysym.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>

namespace {

Q_LOGGING_CATEGORY(lcHotKey, "tallowquill.hotkey", QtInfoMsg)

// X key codes are evdev codes + 8 on every server with an evdev keymap (all current desktops).
constexpr int kEvdevOffset = 8;
constexpr quint16 kKeyModifierBits = 0xff; // the rest of an event's state: buttons, XKB group

quint16 xModifiers(Qt::KeyboardModifiers modifiers) {
    quint16 mask = 0;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4; // Super
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    return mask;
}

} // namespace

XcbHotKeyGrab::XcbHotKeyGrab(xcb_connection_t *connection)
    : m_connection(connection) {
    Q_ASSERT(connection);
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem;
         xcb_screen_next(&it))
        m_roots.push_back(it.data->root);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

XcbHotKeyGrab::~XcbHotKeyGrab() {
    // Without the application the connection is closed and the grab lapsed with it.
    if (QCoreApplication::instance())
        ungrab();
}

bool XcbHotKeyGrab::grab(const KeyChord &chord) {
    ungrab();
    const int keycode = chord.evdevCode + kEvdevOffset;
    if (chord.evdevCode < 0 || keycode > 255)
        return false;

    const quint16 mask = xModifiers(chord.modifiers);
    quint16 numLock = numLockMask();
    if (numLock & mask)
        numLock = 0;
    // A passive grab matches the modifier state exactly, and Caps Lock and Num Lock count as
    // modifiers while they are on: without one grab per lock combination the shortcut would
    // die whenever either lock is on.
    std::vector<quint16> masks{mask, quint16(mask | XCB_MOD_MASK_LOCK)};
    if (numLock) {
        masks.push_back(mask | numLock);
        masks.push_back(mask | numLock | XCB_MOD_MASK_LOCK);
    }

    // All requests go out before the first check, so the checks cost one round trip.
    std::vector<xcb_void_cookie_t> cookies;
    for (xcb_window_t root : m_roots) {
        for (quint16 variant : masks)
            cookies.push_back(xcb_grab_key_checked(m_connection, false, root, variant,
                                                   xcb_keycode_t(keycode), XCB_GRAB_MODE_ASYNC,
                                                   XCB_GRAB_MODE_ASYNC));
    }
    bool refused = false;
    for (xcb_void_cookie_t cookie : cookies) {
        const XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie));
        refused = refused || error != nullptr;
    }

    m_keycode = xcb_keycode_t(keycode);
    m_grabbedMasks = std::move(masks);
    if (refused) {
        // Another client holds the combination: give back whatever variants were granted, so
        // the shortcut does not work only with the locks in some state.
        qCDebug(lcHotKey, "grab of key %d with modifiers 0x%x refused", keycode, unsigned(mask));
        ungrab();
        return false;
    }
    m_modifiers = mask;
    m_lockMasks = XCB_MOD_MASK_LOCK | numLock;
    m_held = false;
    m_lastRelease.reset();
    return true;
}

void XcbHotKeyGrab::ungrab() {
    if (m_keycode == 0)
        return;
    // Only our own grabs are released: another client's grab of a variant is left alone.
    for (xcb_window_t root : m_roots) {
        for (quint16 variant : m_grabbedMasks)
            xcb_ungrab_key(m_connection, m_keycode, root, variant);
    }
    xcb_flush(m_connection);
    m_keycode = 0;
    m_grabbedMasks.clear();
}

bool XcbHotKeyGrab::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) {
    if (m_keycode == 0 || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const auto type = event->response_type & ~0x80;

    if (type == XCB_KEY_PRESS) {
        const auto *press = reinterpret_cast<const xcb_key_press_event_t *>(event);
        if (press->detail != m_keycode || !isRoot(press->event) ||
            (press->state & kKeyModifierBits & ~m_lockMasks) != m_modifiers)
            return false;
        // Holding the shortcut must not toggle the popup on every auto-repeat. Auto-repeat comes
        // as release/press pairs sharing one timestamp, or, for clients that asked for
        // detectable auto-repeat, as presses with no release between.
        const bool repeat = m_held || (m_lastRelease && *m_lastRelease == press->time);
        m_held = true;
        if (!repeat && onPressed) {
            const auto callback = onPressed; // it may replace onPressed
            callback();
        }
        return true;
    }
    if (type == XCB_KEY_RELEASE) {
        // Watched on every window: should one of ours take the keyboard while the key is down,
        // the release goes there instead of to the root.
        const auto *release = reinterpret_cast<const xcb_key_release_event_t *>(event);
        if (release->detail != m_keycode)
            return false;
        m_held = false;
        m_lastRelease = release->time;
        return isRoot(release->event);
    }
    return false;
}

quint16 XcbHotKeyGrab::numLockMask() const {
    // Num Lock may sit on any of Mod1..Mod5; the keymap says which.
    const std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
        xcb_key_symbols_alloc(m_connection), &xcb_key_symbols_free);
    const auto mappingCookie = xcb_get_modifier_mapping(m_connection);
    const XcbReply<xcb_keycode_t> numLockKeys(
        symbols ? xcb_key_symbols_get_keycode(symbols.get(), XK_Num_Lock) : nullptr);
    const XcbReply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(m_connection, mappingCookie, nullptr));
    if (!numLockKeys || !mapping)
        return 0;

    const auto isNumLock = [&](xcb_keycode_t key) {
        for (const xcb_keycode_t *k = numLockKeys.get(); *k != XCB_NO_SYMBOL; ++k) {
            if (*k == key)
                return true;
        }
        return false;
    };
    const xcb_keycode_t *keys = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        const xcb_keycode_t *first = keys + modifier * perModifier;
        if (std::any_of(first, first + perModifier,
                        [&](xcb_keycode_t key) { return key != 0 && isNumLock(key); }))
            return quint16(1u << modifier);
    }
    return 0;
}

bool XcbHotKeyGrab::isRoot(xcb_window_t window) const {
    return std::find(m_roots.begin(), m_roots.end(), window) != m_roots.end();
}
