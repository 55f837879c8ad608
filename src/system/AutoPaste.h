#pragma once

#include "platform/KeyPoster.h"

// Typing the paste into the application in front, and whether the program may. Main thread
// only; keeps no state of its own.
class AutoPaste {
public:
    explicit AutoPaste(KeyPoster &poster);

    // True when synthetic key presses reach other applications. Never asks the user.
    bool isProcessTrusted() const;
    KeyTypist typist() const { return m_poster.typist(); }

    // Asks again and, when trusted, types the chord into the focused window; otherwise does
    // nothing, silently.
    void autoPaste(PasteChord chord);

    // True when APP_SANDBOX_CONTAINER_ID is set, whatever its value, even empty.
    static bool isSandboxed();

private:
    KeyPoster &m_poster;
};
