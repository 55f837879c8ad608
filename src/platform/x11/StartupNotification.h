#pragma once

#include <QByteArray>

#include <xcb/xcb.h>

// The X11 startup-notification protocol, as far as a program that shows a window for a launch
// needs it: the launcher's id names the launch.
namespace StartupNotification {

// Tells the desktop that the launch of that id is complete, so its launch feedback ends:
// "remove: ID=..." in client messages to the root window, sent on behalf of `window`.
void end(xcb_connection_t *connection, xcb_window_t window, const QByteArray &id);

} // namespace StartupNotification
