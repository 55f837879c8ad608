#pragma once

#include "platform/HotKeyGrab.h"

// Where the compositor binds keys to commands and offers programs no grab of their own: its
// binding runs `tallowquill --popup`, and the program holds nothing.
class CompositorBoundShortcut final : public HotKeyGrab {
public:
    bool grab(const KeyChord &) override { return true; }
    void ungrab() override {}
    QString keeper() const override {
        return QStringLiteral("Bound in your compositor's settings");
    }
    bool isChosenHere() const override { return false; }
};
