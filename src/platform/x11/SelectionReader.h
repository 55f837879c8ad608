#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>

#include "platform/x11/XcbReply.h"

#include <xcb/xcb.h>

#include <chrono>
#include <optional>

// Asks the owner of the CLIPBOARD selection for its data over a connection of its own, so a
// slow or silent owner costs a bounded wait and Qt's event handling is never involved.
// Connects to $DISPLAY; without a display every transfer fails.
class SelectionReader {
public:
    struct Transfer {
        enum class Status {
            Received, // the owner answered; data holds the bytes (maybe none)
            Refused,  // no owner, or the owner cannot give this target
            Silent,   // no answer, or the answer stopped, within the allowed time
            Failed,   // no connection to the X server
        };
        Status status = Status::Failed;
        QByteArray data;
    };

    SelectionReader();
    ~SelectionReader();
    SelectionReader(const SelectionReader &) = delete;
    SelectionReader &operator=(const SelectionReader &) = delete;

    bool isConnected() const;

    // The window that owns CLIPBOARD now (XCB_NONE when nobody does), or nothing when the
    // server cannot be asked.
    std::optional<xcb_window_t> owner();

    // The bytes of one target. `patience` is how long the owner may stay quiet: before its
    // first answer and between the pieces of a large (INCR) transfer. A transfer never takes
    // longer than `limit` as a whole.
    Transfer read(const QByteArray &target, std::chrono::milliseconds patience,
                  std::chrono::milliseconds limit = std::chrono::seconds(10));

    // The targets the owner offers, by name, in the owner's order.
    struct Targets {
        Transfer::Status status = Transfer::Status::Failed;
        QByteArrayList names;
    };
    Targets targets(std::chrono::milliseconds patience);

private:
    using Clock = std::chrono::steady_clock;

    xcb_atom_t atom(const QByteArray &name);
    QByteArrayList atomNames(const QList<xcb_atom_t> &atoms);
    void discardPendingEvents();
    // The next event, or nothing once the deadline has passed.
    XcbReply<xcb_generic_event_t> waitForEvent(Clock::time_point deadline);
    // Reads the whole property from our window and deletes it.
    XcbReply<xcb_get_property_reply_t> takeProperty(xcb_atom_t property);
    static QByteArray valueOf(xcb_get_property_reply_t &reply);
    Transfer receiveIncrementally(xcb_atom_t property, std::chrono::milliseconds patience,
                                  Clock::time_point end);

    xcb_connection_t *m_connection = nullptr; // disconnected by the destructor
    xcb_window_t m_window = XCB_NONE;
    xcb_atom_t m_clipboard = XCB_NONE;
    xcb_atom_t m_property = XCB_NONE;
    xcb_atom_t m_incr = XCB_NONE;
    QHash<QByteArray, xcb_atom_t> m_atoms;
    QHash<xcb_atom_t, QByteArray> m_names;
};
