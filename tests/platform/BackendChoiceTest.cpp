#include "platform/BackendChoice.h"

#include <gtest/gtest.h>

using Backend = BackendChoice::Backend;

// Wayland only where the compositor offers data control, asked only when it matters; the
// variable forces either, and a forced one that cannot run says why instead of falling back.
TEST(BackendChoice, ByDisplaysDataControlAndTheVariable) {
    const struct {
        const char *forced;
        bool wayland, x, dataControl;
        Backend backend;
        const char *line;
    } cases[] = {
        {"", true, true, true, Backend::wayland,
         "running on Wayland: the compositor offers data control"},
        {"", true, true, false, Backend::x11,
         "running on X11: the compositor offers no data control, so through XWayland"},
        {"", false, true, true, Backend::x11, "running on X11: no Wayland display"},
        {"", true, false, false, Backend::none,
         "no X display: DISPLAY is not set, and the compositor offers no data control, so "
         "through XWayland"},
        {"x11", true, true, true, Backend::x11, "running on X11: TALLOWQUILL_BACKEND=x11"},
        {"wayland", true, false, true, Backend::wayland,
         "running on Wayland: TALLOWQUILL_BACKEND=wayland"},
        {"wayland", true, true, false, Backend::none,
         "TALLOWQUILL_BACKEND=wayland, but the compositor offers no data control (or no seat)"},
        {"wayland", false, true, true, Backend::none,
         "TALLOWQUILL_BACKEND=wayland, but WAYLAND_DISPLAY is not set"},
        {"xcb", false, true, true, Backend::x11,
         "running on X11: no Wayland display (TALLOWQUILL_BACKEND=xcb is neither x11 nor "
         "wayland, so ignored)"},
    };
    for (const auto &c : cases) {
        int asked = 0;
        const BackendChoice choice =
            BackendChoice::choose(QString::fromLatin1(c.forced), c.wayland, c.x, [&] {
                ++asked;
                return c.dataControl;
            });
        EXPECT_EQ(choice.backend, c.backend) << c.line;
        EXPECT_EQ(choice.line, QString::fromLatin1(c.line));
        EXPECT_LE(asked, c.wayland ? 1 : 0) << c.line;
    }
}
