#include "platform/BackendChoice.h"

namespace {

BackendChoice chosen(BackendChoice::Backend backend, const QString &why) {
    const QString on = backend == BackendChoice::Backend::wayland ? QStringLiteral("Wayland")
                                                                  : QStringLiteral("X11");
    return {backend, QStringLiteral("running on %1: %2").arg(on, why)};
}

BackendChoice x11(bool hasXDisplay, const QString &why) {
    if (!hasXDisplay)
        return {BackendChoice::Backend::none,
                QStringLiteral("no X display: DISPLAY is not set, and %1").arg(why)};
    return chosen(BackendChoice::Backend::x11, why);
}

} // namespace

BackendChoice BackendChoice::choose(const QString &forced, bool hasWaylandDisplay, bool hasXDisplay,
                                    const std::function<bool()> &offersDataControl) {
    const QString variable = QStringLiteral("TALLOWQUILL_BACKEND=") + forced;
    if (forced == u"x11")
        return x11(hasXDisplay, variable);
    if (forced == u"wayland") {
        if (!hasWaylandDisplay)
            return {Backend::none, QStringLiteral("%1, but WAYLAND_DISPLAY is not "
                                                  "set")
                                       .arg(variable)};
        if (!offersDataControl())
            return {Backend::none, QStringLiteral("%1, but the compositor offers "
                                                  "no data control (or no seat)")
                                       .arg(variable)};
        return chosen(Backend::wayland, variable);
    }
    const QString ignored =
        forced.isEmpty()
            ? QString()
            : QStringLiteral(" (%1 is neither x11 nor wayland, so ignored)").arg(variable);
    if (!hasWaylandDisplay)
        return x11(hasXDisplay, QStringLiteral("no Wayland display") + ignored);
    if (offersDataControl())
        return chosen(Backend::wayland,
                      QStringLiteral("the compositor offers data control") + ignored);
    return x11(hasXDisplay,
               QStringLiteral("the compositor offers no data control, so through XWayland") +
                   ignored);
}
