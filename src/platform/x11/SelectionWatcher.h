#pragma once

#include <QObject>

#include "platform/x11/XcbConnection.h"

#include <xcb/xcb.h>

#include <chrono>
#include <optional>

class QSocketNotifier;
class QTimer;

// Tells who takes the CLIPBOARD selection, and how it was given up, over a connection of its own
// read on the thread that creates it. The server reports each change through its XFIXES
// extension, so nothing wakes while the clipboard rests; where the server lacks XFIXES, the owner
// and its TIMESTAMP are looked at every pollInterval instead.
class SelectionWatcher : public QObject {
    Q_OBJECT
public:
    enum class Change {
        taken,     // a client set itself as the owner
        cleared,   // the owner gave the selection up on purpose
        ownerGone, // the owner's window or connection went away and took the contents with it
    };
    static constexpr std::chrono::milliseconds pollInterval{500};
    // How changes are learnt: from XFIXES where the server has it, or always by looking.
    enum class Detection { automatic, looking };

    explicit SelectionWatcher(Detection detection = Detection::automatic,
                              QObject *parent = nullptr);
    ~SelectionWatcher() override;
    SelectionWatcher(const SelectionWatcher &) = delete;
    SelectionWatcher &operator=(const SelectionWatcher &) = delete;

    bool isConnected() const;

Q_SIGNALS:
    // `owner` is the window that owns the selection now (XCB_NONE unless taken).
    void changed(SelectionWatcher::Change change, quint32 owner);

private:
    void readEvents();
    void handle(const xcb_generic_event_t &event);
    // Without XFIXES: a new owner is a change; the same owner with a new TIMESTAMP is one too.
    void look();
    void takeTimestamp(xcb_atom_t property);
    bool windowExists(xcb_window_t window);

    XcbConnection m_connection;
    xcb_window_t m_window = XCB_NONE;
    xcb_atom_t m_clipboard = XCB_NONE;
    xcb_atom_t m_timestampTarget = XCB_NONE;
    xcb_atom_t m_property = XCB_NONE;
    std::uint8_t m_xfixesEvent = 0; // the XFIXES selection event's code, 0 without the extension
    QSocketNotifier *m_notifier = nullptr; // children
    QTimer *m_pollTimer = nullptr;

    // What the last look without XFIXES found.
    xcb_window_t m_owner = XCB_NONE;
    std::optional<quint32> m_ownerTime;
    bool m_timestampAsked = false;
    bool m_answerIsStale = false; // the question under way was put to the previous owner
};
