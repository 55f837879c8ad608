#pragma once

#include "platform/KeyPoster.h"

namespace tqtest {

// Key posting in memory: trust is whatever the test says. Every paste asked for is counted,
// trusted or not, so a test sees whether the caller asked about trust first.
class FakeKeyPoster : public KeyPoster {
public:
    bool trusted = true;
    int pastes = 0;
    KeyTypist typistKind = KeyTypist::xtest;

    bool isTrusted() const override { return trusted; }
    KeyTypist typist() const override { return typistKind; }
    void postPaste(PasteChord) override { ++pastes; }
};

} // namespace tqtest
