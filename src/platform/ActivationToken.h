#pragma once

#include <QString>
#include <QtGlobal>

// What lets a window that a launcher or another program asked for past the desktop's
// focus-stealing prevention: the xdg-activation token of Wayland and the startup-notification id
// of X11. Either may be empty.
struct ActivationToken {
    QString xdgActivationToken;
    QString startupId;

    bool isEmpty() const { return xdgActivationToken.isEmpty() && startupId.isEmpty(); }

    // The ones this process was started with.
    static ActivationToken fromEnvironment() {
        return {qEnvironmentVariable("XDG_ACTIVATION_TOKEN"),
                qEnvironmentVariable("DESKTOP_STARTUP_ID")};
    }
};
