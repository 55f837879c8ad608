#pragma once

#include "hotkey/ShortcutFormat.h"
#include "platform/HotKeyGrab.h"

#include <optional>

namespace tqtest {

// An in-memory key grab for unit tests of the logic. Tests play the user by calling press(),
// which reports a press only while a combination is held, as a real grab would.
class FakeHotKeyGrab : public HotKeyGrab {
public:
    struct Combination {
        int evdevCode = 0;
        quint32 modifiers = 0;
        bool operator==(const Combination &) const = default;
    };

    // Held and reported with the stored mask, as tests write shortcuts.
    bool grab(const KeyChord &chord) override {
        ungrab();
        ++grabs;
        if (refuses)
            return false;
        m_held = Combination{chord.evdevCode, carbonModifiers(chord.modifiers)};
        m_heldKey = chord.key;
        return true;
    }
    void ungrab() override { m_held.reset(); }

    // Another program holds every combination.
    bool refuses = false;
    // Grabs asked for so far, refused ones too.
    int grabs = 0;

    void press() {
        if (m_held && onPressed)
            onPressed();
    }
    const std::optional<Combination> &held() const { return m_held; }
    Qt::Key heldKey() const { return m_heldKey; }
    // The user binds another chord in the desktop's settings.
    void changeElsewhere(Qt::Key key, quint32 modifiers) {
        m_heldKey = key;
        if (onChangedElsewhere)
            onChangedElsewhere(KeyChord{.key = key, .modifiers = keyboardModifiers(modifiers)});
    }
    QString keeper() const override { return keeperText; }
    QString keeperText;

private:
    std::optional<Combination> m_held;
    Qt::Key m_heldKey = Qt::Key_unknown;
};

} // namespace tqtest
