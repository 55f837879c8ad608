#pragma once

#include <QString>
#include <Qt>

#include <functional>

// One key with its modifiers, named both ways a desktop may ask for it.
struct KeyChord {
    int evdevCode = 0;             // the physical key (Linux evdev code)
    Qt::Key key = Qt::Key_unknown; // what it types on a US layout, unshifted
    // Meta is the Super key; flags other than Meta, Shift, Alt and Control are ignored.
    Qt::KeyboardModifiers modifiers;
    bool operator==(const KeyChord &) const = default;
};

// A system-wide shortcut: presses of one chord, in whatever window is in front, are reported to
// this program instead of reaching that window. The program grabs the keys itself, or the
// desktop's own shortcut service holds them for it. Holds at most one chord. Main thread only.
class HotKeyGrab {
public:
    virtual ~HotKeyGrab() = default;

    // Holds the chord, whether or not Caps Lock or Num Lock is on, releasing the previous one
    // first. Returns false, holding nothing, when the system refuses (another program holds the
    // chord) or offers no global shortcuts.
    virtual bool grab(const KeyChord &chord) = 0;
    // Releases the chord, if one is held, so that its keys reach the window in front.
    virtual void ungrab() = 0;

    // Where the shortcut is kept, in words for the settings window ("Kept in GNOME's keyboard
    // shortcuts"); empty when the program grabs the keys itself.
    virtual QString keeper() const { return {}; }
    // Whether the user chooses the keys in this program; false where the desktop binds keys to
    // the program's command itself (a compositor's config) and nothing here can change them.
    virtual bool isChosenHere() const { return true; }

    // Called on the main thread for each press of the held chord. A key held down is reported
    // once: its auto-repeats are swallowed until it is released.
    std::function<void()> onPressed;
    // The user bound another chord to the shortcut in the desktop's own settings; it is the one
    // held now. Only `key` and `modifiers` are known. Never called from within grab().
    std::function<void(const KeyChord &)> onChangedElsewhere;
};
