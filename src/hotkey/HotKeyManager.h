#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

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
    // Run when the user bound another shortcut in the desktop's own settings (stored key code
    // and mask); it is the registered one already.
    std::function<void(quint32 keyCode, quint32 modifiers)> onShortcutChanged;

    // Makes the shortcut (stored key code and modifier mask, see ShortcutFormat.h) the one
    // registered shortcut, releasing the previous one first; the one registered already is
    // left as it is. A key without a physical
    // translation, or a combination another program holds, leaves no shortcut registered; the
    // latter with one log line, so that a shortcut that does nothing has an explanation.
    void registerHotKey(quint32 keyCode, quint32 modifiers);
    // Releases the shortcut until the next registration: while one is being recorded, its keys
    // must reach the recorder.
    void unregisterHotKey();

    // Where the desktop keeps the shortcut, for the settings window; empty when the program
    // grabs the keys itself.
    QString keeper() const;
    // Whether the shortcut is chosen in this program (see HotKeyGrab::isChosenHere).
    bool isChosenHere() const;

private:
    void changedElsewhere(Qt::Key key, Qt::KeyboardModifiers modifiers);

    std::unique_ptr<HotKeyGrab> m_grab;
    std::optional<std::pair<quint32, quint32>> m_registered;
};
