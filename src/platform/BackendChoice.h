#pragma once

#include <QString>

#include <functional>

// Which platform the program runs on, chosen once at start: Wayland where the compositor lets a
// clipboard manager see every application's clipboard (data control), else X11 (XWayland in a
// Wayland session). The choice decides Qt's platform too, whatever QT_QPA_PLATFORM says: the X11
// backend needs Qt on xcb, the Wayland one Qt on Wayland.
struct BackendChoice {
    enum class Backend { x11, wayland, none };

    Backend backend = Backend::none;
    // Which and why, for the log ("running on X11: no Wayland display"), or why none can run.
    QString line;

    // `forced` is TALLOWQUILL_BACKEND ("x11", "wayland" or empty); `offersDataControl` connects
    // to the compositor and is asked only when there is a Wayland display and it matters.
    static BackendChoice choose(const QString &forced, bool hasWaylandDisplay, bool hasXDisplay,
                                const std::function<bool()> &offersDataControl);
};
