#pragma once

#include <Qt>

#include <functional>

// A system-wide key grab: presses of one key with one set of modifiers, in whatever window is in
// front, are reported to this program instead of reaching that window. Holds at most one
// combination. Main thread only.
class HotKeyGrab {
public:
    virtual ~HotKeyGrab() = default;

    // Grabs the key with Linux evdev code `evdevCode` (its physical position) together with
    // exactly these modifiers (Meta is the Super key; flags other than Meta, Shift, Alt and
    // Control are ignored), whether or not Caps Lock or Num Lock is on. Releases the previous
    // grab first. Returns false, holding nothing, when the system refuses (another program holds
    // the combination) or offers no global grabs.
    virtual bool grab(int evdevCode, Qt::KeyboardModifiers modifiers) = 0;
    // Releases the grab, if there is one.
    virtual void ungrab() = 0;

    // Called on the main thread for each press of the grabbed combination. A key held down is
    // reported once: its auto-repeats are swallowed until it is released.
    std::function<void()> onPressed;
};
