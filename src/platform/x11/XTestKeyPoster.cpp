#include "platform/x11/XTestKeyPoster.h"

#include "platform/x11/XcbConnection.h"
#include "platform/x11/XcbReply.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {

constexpr xcb_keysym_t kKeysymLowerV = 0x0076;
constexpr xcb_keysym_t kKeysymUpperV = 0x0056;
constexpr xcb_keysym_t kKeysymControlL = 0xffe3;
constexpr xcb_keysym_t kKeysymShiftL = 0xffe1;
// Where V, left Control and left Shift sit on a PC keyboard (evdev code + 8), when the keymap
// lacks them.
constexpr xcb_keycode_t kFallbackV = 55;
constexpr xcb_keycode_t kFallbackControl = 37;
constexpr xcb_keycode_t kFallbackShift = 50;
constexpr int kModifierRows = 8;

bool offersXTest(xcb_connection_t *connection) {
    if (!connection || xcb_connection_has_error(connection))
        return false;
    // Cached by xcb after the first query.
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(connection, &xcb_test_id);
    return extension && extension->present;
}

// The key that types this keysym, preferring one that gives it unshifted in the first group.
std::optional<xcb_keycode_t> keycodeFor(xcb_connection_t *connection, xcb_keysym_t lower,
                                        xcb_keysym_t upper) {
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const xcb_keycode_t first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const XcbReply<xcb_get_keyboard_mapping_reply_t> map(xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, first, static_cast<uint8_t>(count)),
        nullptr));
    if (!map || map->keysyms_per_keycode == 0)
        return std::nullopt;
    const int perKey = map->keysyms_per_keycode;
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int keys = xcb_get_keyboard_mapping_keysyms_length(map.get()) / perKey;

    std::optional<xcb_keycode_t> elsewhere;
    for (int key = 0; key < keys; ++key) {
        const xcb_keysym_t *row = syms + key * perKey;
        // A lone upper-case letter in the first column stands for both cases.
        if (row[0] == lower || (row[0] == upper && (perKey < 2 || row[1] == XCB_NO_SYMBOL)))
            return static_cast<xcb_keycode_t>(first + key);
        for (int column = 1; column < perKey && !elsewhere; ++column) {
            if (row[column] == lower)
                elsewhere = static_cast<xcb_keycode_t>(first + key);
        }
    }
    return elsewhere;
}

bool isDown(const xcb_query_keymap_reply_t &keymap, xcb_keycode_t key) {
    return keymap.keys[key / 8] & (1u << (key % 8));
}

void fakeKey(xcb_connection_t *connection, uint8_t type, xcb_keycode_t key) {
    xcb_test_fake_input(connection, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

} // namespace

bool XTestKeyPoster::isTrusted() const {
    return offersXTest(qtConnection());
}

void XTestKeyPoster::postPaste(PasteChord chord) {
    xcb_connection_t *connection = qtConnection();
    // An XTEST request on a server without it would close the whole connection.
    if (!offersXTest(connection))
        return;

    const XcbReply<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    const XcbReply<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr));

    // Every key bound to a modifier that is still down, so the application sees the chord's
    // modifiers alone.
    std::vector<xcb_keycode_t> held;
    std::array<xcb_keycode_t, kModifierRows> rowKey{};
    if (modifiers) {
        const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(modifiers.get());
        const int perRow = modifiers->keycodes_per_modifier;
        for (int i = 0; i < kModifierRows * perRow; ++i) {
            const xcb_keycode_t key = codes[i];
            if (key == 0)
                continue;
            if (rowKey[i / perRow] == 0)
                rowKey[i / perRow] = key;
            if (keymap && isDown(*keymap, key) &&
                std::find(held.begin(), held.end(), key) == held.end())
                held.push_back(key);
        }
    }
    const auto modifierKey = [&](int row, xcb_keysym_t keysym, xcb_keycode_t fallback) {
        return rowKey[row] ? rowKey[row]
                           : keycodeFor(connection, keysym, keysym).value_or(fallback);
    };
    std::vector<xcb_keycode_t> chordModifiers{
        modifierKey(XCB_MAP_INDEX_CONTROL, kKeysymControlL, kFallbackControl)};
    if (chord == PasteChord::controlShiftV)
        chordModifiers.push_back(modifierKey(XCB_MAP_INDEX_SHIFT, kKeysymShiftL, kFallbackShift));
    const xcb_keycode_t v =
        keycodeFor(connection, kKeysymLowerV, kKeysymUpperV).value_or(kFallbackV);

    for (const xcb_keycode_t key : held)
        fakeKey(connection, XCB_KEY_RELEASE, key);
    for (const xcb_keycode_t key : chordModifiers)
        fakeKey(connection, XCB_KEY_PRESS, key);
    fakeKey(connection, XCB_KEY_PRESS, v);
    fakeKey(connection, XCB_KEY_RELEASE, v);
    for (auto key = chordModifiers.rbegin(); key != chordModifiers.rend(); ++key)
        fakeKey(connection, XCB_KEY_RELEASE, *key);
    xcb_flush(connection);
}
