#pragma once

// The benchmark's own X client: another application that copies, logging on the monotonic clock
// when it took the clipboard and when the program first asked it for anything and for the data;
// a look at the top-level windows; and key presses through XTEST on the same connection, so that
// no process start lies inside a measured figure.

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace benchapp {

class DisplayClient {
public:
    enum class Kind { text, png };
    struct Copy {
        long long takenNs = 0;
        long long firstRequestNs = 0; // any target, TARGETS as a rule
        long long dataRequestNs = 0;  // the contents themselves
    };

    DisplayClient();
    ~DisplayClient();
    DisplayClient(const DisplayClient &) = delete;
    DisplayClient &operator=(const DisplayClient &) = delete;

    bool connected() const;
    int fd() const;
    // Handles every event received so far; whether there was any.
    bool dispatch();

    // A copy takes two steps, the event loop running between them: a server time to own the
    // clipboard from, then taking it. Returns the copy's index.
    void requestTimestamp();
    bool hasTimestamp() const { return m_hasTimestamp; }
    int takeClipboard(Kind kind, std::shared_ptr<const std::string> data);
    const Copy &copy(int index) const { return m_copies.at(std::size_t(index)); }
    // Leaves the clipboard empty, for the next program to start without it.
    void releaseClipboard();

    bool isViewable(const std::string &title);
    bool isOwned(const std::string &selection);
    int screen() const { return m_screen; }

    // Presses the keys (X keysyms) in order and releases them in reverse, as a chord is typed.
    // Sent and flushed before it returns.
    void typeChord(const std::vector<xcb_keysym_t> &keysyms);

private:
    struct Offer {
        Kind kind = Kind::text;
        std::shared_ptr<const std::string> data;
        xcb_timestamp_t time = 0;
        int index = -1;
    };
    struct Transfer {
        std::shared_ptr<const std::string> data;
        std::size_t sent = 0;
        xcb_atom_t type = XCB_NONE;
    };

    xcb_atom_t atom(const std::string &name);
    void handle(const xcb_generic_event_t *event);
    void answer(const xcb_selection_request_event_t &request);
    void notify(const xcb_selection_request_event_t &request, xcb_atom_t property);
    std::vector<xcb_atom_t> contentTargets(Kind kind);

    xcb_connection_t *m_connection = nullptr;
    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> m_keySymbols{
        nullptr, &xcb_key_symbols_free};
    int m_screen = 0;
    xcb_window_t m_root = XCB_NONE;
    xcb_window_t m_window = XCB_NONE;
    std::map<std::string, xcb_atom_t> m_atoms;
    bool m_waitingForTimestamp = false;
    bool m_hasTimestamp = false;
    xcb_timestamp_t m_timestamp = 0;
    Offer m_offer;
    std::vector<Copy> m_copies;
    std::map<std::pair<xcb_window_t, xcb_atom_t>, Transfer> m_transfers;
};

} // namespace benchapp
