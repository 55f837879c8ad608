#pragma once

#include "platform/HotKeyGrab.h"

// Stands in where the display offers no global key grabs: every grab is refused.
class NoHotKeyGrab final : public HotKeyGrab {
public:
    bool grab(const KeyChord &) override { return false; }
    void ungrab() override {}
};
