#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

class HotKeyGrab;

// Makes the user's shortcut work system-wide, whichever window is in front, and turns each press
// into a call of onHotKey on the main thread. Holds at most one shortcut. Main thread only.
class HotKeyManager {
public:
    explicit HotKeyManager(std::unique_ptr<HotKeyGrab> grab);
    ~HotKeyManager();
    HotKeyManager(const HotKeyManager &) = delete;
    HotKeyManager &operator=(const HotKeyManager &) = delete;

    // The process-wide instance: the one main() made over the display's grab. Must exist.
    static HotKeyManager &shared();
    // Makes this instance the one shared() returns, for as long as it lives.
    void makeShared();

    // Run for every press of the registered shortcut; a key held down counts once. Without it a
    // press is swallowed and nothing happens.
    std::function<void()> onHotKey;

    // Makes the shortcut (stored key code and modifier mask, see ShortcutFormat.h) the one
    // registered shortcut, releasing the previous one first. A key without a physical
    // translation, or a combination another program holds, leaves no shortcut registered; the
    // latter with one log line, so that a shortcut that does nothing has an explanation.
    void registerHotKey(quint32 keyCode, quint32 modifiers);
    // Releases the shortcut until the next registration: while one is being recorded, its keys
    // must reach the recorder.
    void unregisterHotKey();

private:
    std::unique_ptr<HotKeyGrab> m_grab;
};
