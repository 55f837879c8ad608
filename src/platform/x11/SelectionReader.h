#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>

#include "platform/x11/XcbConnection.h"
#include "platform/x11/XcbReply.h"

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <optional>

// Asks the owner of the CLIPBOARD selection for its data over a connection of its own, so a
// slow or silent owner costs a bounded wait and Qt's event handling is never involved.
// Connects to $DISPLAY; without a display every transfer fails. Transfers are made by one thread
// at a time; owner() may be asked from any thread meanwhile.
class SelectionReader {
public:
    struct Transfer {
        enum class Status {
            Received, // the owner answered; data holds the bytes (maybe none)
            Refused,  // no owner, or the owner cannot give this target
            Silent,   // no answer, or the answer stopped, within the allowed time
            Failed,   // no connection to the X server
            Overdue,  // still arriving when the time for the whole transfer ran out
            TooLarge, // more bytes than asked for; size says how many, as far as known
            Cancelled,
        };
        Status status = Status::Failed;
        QByteArray data;
        qint64 size = 0;
    };

    // How long an owner may take. A transfer that keeps delivering is never cut off for being
    // slow, only at `total` or past `maxBytes`.
    struct Patience {
        std::chrono::milliseconds answer; // before the first answer
        std::chrono::milliseconds pieces; // between the pieces of an INCR transfer
        std::chrono::milliseconds total;  // for the whole transfer
        qsizetype maxBytes = 0;           // the most bytes taken
        const std::atomic<bool> *cancelled = nullptr;
    };

    SelectionReader();
    ~SelectionReader();
    SelectionReader(const SelectionReader &) = delete;
    SelectionReader &operator=(const SelectionReader &) = delete;

    bool isConnected() const;

    // The window that owns CLIPBOARD now (XCB_NONE when nobody does), or nothing when the
    // server cannot be asked.
    std::optional<xcb_window_t> owner();

    // The bytes of one target.
    Transfer read(const QByteArray &target, const Patience &patience);

    // The targets the owner offers, by name, in the owner's order.
    struct Targets {
        Transfer::Status status = Transfer::Status::Failed;
        QByteArrayList names;
        qint64 size = 0; // of a list TooLarge, in bytes, as far as known
    };
    Targets targets(const Patience &patience);

private:
    using Clock = std::chrono::steady_clock;

    Transfer readOnce(const QByteArray &target, const Patience &patience);
    void renewWindow();
    xcb_atom_t atom(const QByteArray &name);
    void remember(const QByteArray &name, xcb_atom_t atom);
    // The names of the first few hundred atoms.
    QByteArrayList atomNames(QList<xcb_atom_t> atoms);
    // Drops every name learnt from owners, keeping our own.
    void forgetAtoms();
    void discardPendingEvents();
    // The next event, or nothing once the deadline has passed or the transfer is cancelled.
    XcbReply<xcb_generic_event_t> waitForEvent(Clock::time_point deadline,
                                               const std::atomic<bool> *cancelled);
    // Reads up to `maxBytes` (and a little more) of the property on our window; deletes it when
    // it was read whole.
    XcbReply<xcb_get_property_reply_t> takeProperty(xcb_atom_t property, qsizetype maxBytes);
    static QByteArray valueOf(xcb_get_property_reply_t &reply);
    // What ended a transfer early: a lost connection, a cancel, the time for the whole, or
    // silence.
    Transfer::Status stopped(const Patience &patience, bool overdue) const;
    Transfer receiveIncrementally(xcb_atom_t property, qint64 announced, const Patience &patience,
                                  Clock::time_point end);

    XcbConnection m_connection;
    xcb_window_t m_root = XCB_NONE;
    xcb_window_t m_window = XCB_NONE;
    xcb_atom_t m_clipboard = XCB_NONE;
    xcb_atom_t m_property = XCB_NONE;
    xcb_atom_t m_incr = XCB_NONE;
    QHash<QByteArray, xcb_atom_t> m_atoms;
    QHash<xcb_atom_t, QByteArray> m_names;
};
