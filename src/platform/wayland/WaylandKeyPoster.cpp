#include "platform/wayland/WaylandKeyPoster.h"

#include "platform/wayland/UniqueFd.h"
#include "platform/wayland/WaylandConnection.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <virtual-keyboard-unstable-v1-client.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcKeys, "tallowquill.keys")

// The states of the key event.
constexpr uint32_t kReleased = 0;
constexpr uint32_t kPressed = 1;

struct ContextDeleter {
    void operator()(xkb_context *context) const { xkb_context_unref(context); }
};
struct KeymapDeleter {
    void operator()(xkb_keymap *keymap) const { xkb_keymap_unref(keymap); }
};
struct StringDeleter {
    void operator()(char *text) const { std::free(text); }
};
using Keymap = std::unique_ptr<xkb_keymap, KeymapDeleter>;

// The US layout: its evdev codes are the ones postPaste types, whatever the user's layout is.
Keymap usKeymap() {
    const std::unique_ptr<xkb_context, ContextDeleter> context(
        xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!context)
        return nullptr;
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    return Keymap(xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

// The keymap as text in an anonymous file, with the terminating NUL the protocol counts in.
UniqueFd keymapFile(xkb_keymap *keymap, uint32_t &size) {
    const std::unique_ptr<char, StringDeleter> text(
        xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1));
    if (!text)
        return {};
    const QByteArray bytes(text.get(), qsizetype(std::strlen(text.get())) + 1);
    UniqueFd fd(memfd_create("tallowquill-keymap", MFD_CLOEXEC));
    if (!fd)
        return {};
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(fd.get(), bytes.constData() + written, bytes.size() - written);
        if (n < 0 && errno != EINTR)
            return {};
        written += n > 0 ? n : 0;
    }
    size = uint32_t(bytes.size());
    return fd;
}

uint32_t maskOf(xkb_keymap *keymap, const char *modifier) {
    const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, modifier);
    return index == XKB_MOD_INVALID ? 0 : 1u << index;
}

uint32_t milliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

} // namespace

WaylandKeyPoster::WaylandKeyPoster(WaylandConnection &connection)
    : m_connection(connection) {
    if (!connection.isConnected() || !connection.virtualKeyboards() || !connection.seat())
        return;
    const Keymap keymap = usKeymap();
    uint32_t size = 0;
    const UniqueFd file = keymap ? keymapFile(keymap.get(), size) : UniqueFd();
    if (!file) {
        qCWarning(lcKeys) << "could not make the virtual keyboard's keymap";
        return;
    }
    m_controlMask = maskOf(keymap.get(), XKB_MOD_NAME_CTRL);
    m_shiftMask = maskOf(keymap.get(), XKB_MOD_NAME_SHIFT);
    // Made now and kept: until a keyboard exists the seat has none, and the focused client
    // would only start listening after the first keys had gone by.
    m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        connection.virtualKeyboards(), connection.seat());
    zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, file.get(), size);
    // On return the seat has its keyboard, and every client has been told.
    connection.roundTrip();
}

WaylandKeyPoster::~WaylandKeyPoster() {
    if (m_keyboard) {
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
        m_connection.flush();
    }
}

bool WaylandKeyPoster::isTrusted() const {
    return m_keyboard && m_connection.isConnected();
}

void WaylandKeyPoster::postPaste(PasteChord chord) {
    if (!isTrusted())
        return;
    // Keys the user holds live on other keyboards of the seat: the compositor hands the focused
    // window this keyboard's modifiers alone while it types.
    const uint32_t modifiers =
        m_controlMask | (chord == PasteChord::controlShiftV ? m_shiftMask : 0);
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, modifiers, 0, 0, 0);
    zwp_virtual_keyboard_v1_key(m_keyboard, milliseconds(), KEY_V, kPressed);
    zwp_virtual_keyboard_v1_key(m_keyboard, milliseconds(), KEY_V, kReleased);
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, 0, 0, 0, 0);
    m_connection.flush();
}
