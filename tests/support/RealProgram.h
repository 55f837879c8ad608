#pragma once

// Helpers for tests that drive the real program on a private X server.

#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>

#include <cstdlib>
#include <functional>
#include <memory>
#include <xcb/xcb.h>

namespace tqtest {

// Waits, serving this process's events, until the condition holds or the time is up.
inline bool waitFor(const std::function<bool()> &condition, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QTest::qWait(20);
    }
    return condition();
}

// Whether another client holds Super+Shift+V: our own grab of it is refused. The program is up
// once it does.
inline bool shortcutHeldElsewhere() {
    constexpr xcb_keycode_t keyV = 55; // evdev KEY_V + 8
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(connection, xcb_grab_key_checked(
                                          connection, 1, root, XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT,
                                          keyV, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
        &std::free);
    xcb_disconnect(connection); // releases a grab we got
    return error != nullptr;
}

// Copies bytes under one target as another application would, with xclip; true once xclip has
// handed the clipboard to the owner it leaves running.
inline bool xclipCopy(const QString &target, const QByteArray &bytes) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                          QStringLiteral("-t"), target, QStringLiteral("-i")});
    xclip.write(bytes);
    xclip.closeWriteChannel();
    return xclip.waitForFinished() && xclip.exitCode() == 0;
}

} // namespace tqtest
