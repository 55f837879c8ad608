#pragma once

// Synthetic key presses into whichever window has the keyboard focus.
class KeyPoster {
public:
    virtual ~KeyPoster() = default;

    // True when this program can type into other applications. Asks the user nothing and is
    // cheap enough to poll once a second.
    virtual bool isTrusted() const = 0;

    // Types the desktop's paste chord, Ctrl+V, into the focused window: modifier keys the user
    // still holds are released first, then Control down, V down, V up, Control up, back to back.
    // Posts nothing when not trusted.
    virtual void postPaste() = 0;
};
