#pragma once

#include "platform/KeyPoster.h"

// Key presses through the XTEST extension on the program's own X connection (Qt's). Trusted
// exactly when that connection exists and the server offers XTEST, as X11 and XWayland do.
class XTestKeyPoster : public KeyPoster {
public:
    bool isTrusted() const override;
    void postPaste(PasteChord chord) override;
};
