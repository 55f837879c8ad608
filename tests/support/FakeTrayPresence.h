#pragma once

#include "platform/TrayPresence.h"

namespace tqtest {

// A desktop's tray that tests start and stop.
class FakeTrayPresence : public TrayPresence {
public:
    bool present = true;

    bool isPresent() const override { return present; }
    void set(bool now) {
        present = now;
        Q_EMIT presenceChanged(now);
    }
};

} // namespace tqtest
