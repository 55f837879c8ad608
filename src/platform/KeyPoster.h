#pragma once

// The keys that paste: Ctrl+V, or Ctrl+Shift+V in terminal emulators, where Ctrl+V types a
// literal ^V.
enum class PasteChord { controlV, controlShiftV };

// What types the keys: the X server's XTEST extension, or a Wayland compositor's virtual
// keyboard. It decides the words that explain a paste that was not typed.
enum class KeyTypist { xtest, virtualKeyboard };

// Synthetic key presses into whichever window has the keyboard focus.
class KeyPoster {
public:
    virtual ~KeyPoster() = default;

    // True when this program can type into other applications. Asks the user nothing and is
    // cheap enough to poll once a second.
    virtual bool isTrusted() const = 0;
    virtual KeyTypist typist() const { return KeyTypist::xtest; }

    // Types the paste chord into the focused window: modifier keys the user still holds are
    // released first, then Control (and Shift) down, V down, V up, the modifiers up, back to back.
    // Posts nothing when not trusted.
    virtual void postPaste(PasteChord chord) = 0;
};
