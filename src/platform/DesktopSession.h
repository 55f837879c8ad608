#pragma once

#include <QString>

// The desktop the program runs in, as the session's environment names it. Only what it names is
// trusted: a desktop's own services are never asked whether they run, since asking may start
// them (KDE's shortcut daemon can be started by any call on the session bus).
struct DesktopSession {
    enum class Desktop { Gnome, Plasma, Other };

    Desktop desktop = Desktop::Other;
    bool wayland = false;

    // From XDG_CURRENT_DESKTOP, XDG_SESSION_TYPE and WAYLAND_DISPLAY.
    static DesktopSession fromEnvironment();
    // `currentDesktop` is a colon-separated list ("ubuntu:GNOME"); a Wayland session says
    // `sessionType` "wayland" or has a Wayland display.
    static DesktopSession from(const QString &currentDesktop, const QString &sessionType,
                               bool hasWaylandDisplay);
};
