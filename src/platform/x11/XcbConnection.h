#pragma once

#include <QByteArrayList>
#include <QList>
#include <QString>

#include <xcb/xcb.h>

#include <memory>
#include <optional>

struct XcbDisconnect {
    void operator()(xcb_connection_t *connection) const { xcb_disconnect(connection); }
};
// A connection of our own to the X server, closed (and its windows destroyed) with its owner.
using XcbConnection = std::unique_ptr<xcb_connection_t, XcbDisconnect>;

struct OwnConnection {
    XcbConnection connection;
    xcb_window_t root = XCB_NONE; // of the screen that $DISPLAY names
    int screen = 0;
};

// Connects to $DISPLAY. When no server answers, says so in the system log with `consequence`
// ("copies are not recorded") and gives nothing.
std::optional<OwnConnection> connectToDisplay(const QString &consequence);

// Qt's own connection while it is sound; nothing when Qt does not run on X11.
xcb_connection_t *qtConnection();

// The atoms of these names in order, asked for in one round trip; XCB_NONE for any not given.
QList<xcb_atom_t> internAtoms(xcb_connection_t *connection, const QByteArrayList &names);
