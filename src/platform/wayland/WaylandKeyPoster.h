#pragma once

#include "platform/KeyPoster.h"

#include <cstdint>

class WaylandConnection;
struct zwp_virtual_keyboard_v1;

// Key presses through the compositor's virtual keyboard: one keyboard with a US keymap, made
// when this is and kept until it goes. Trusted exactly when the compositor offers virtual
// keyboards to us and ours was made. The connection outlives this.
class WaylandKeyPoster : public KeyPoster {
public:
    explicit WaylandKeyPoster(WaylandConnection &connection);
    ~WaylandKeyPoster() override;
    WaylandKeyPoster(const WaylandKeyPoster &) = delete;
    WaylandKeyPoster &operator=(const WaylandKeyPoster &) = delete;

    bool isTrusted() const override;
    KeyTypist typist() const override { return KeyTypist::virtualKeyboard; }
    void postPaste(PasteChord chord) override;

private:
    WaylandConnection &m_connection;
    zwp_virtual_keyboard_v1 *m_keyboard = nullptr;
    uint32_t m_controlMask = 0;
    uint32_t m_shiftMask = 0;
};
