#include "DisplayClient.h"

#include "ProcessUsage.h"
#include "ProgramUnderTest.h"

#include <xcb/xtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace benchapp {

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

// Larger contents go in INCR pieces of this size, as toolkits send them.
constexpr std::size_t pieceBytes = 256 * 1024;

} // namespace

DisplayClient::DisplayClient()
    : m_connection(xcb_connect(nullptr, &m_screen)) {
    if (xcb_connection_has_error(m_connection))
        return;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < m_screen; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    m_window = xcb_generate_id(m_connection);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    xcb_flush(m_connection);
}

DisplayClient::~DisplayClient() {
    xcb_disconnect(m_connection);
}

bool DisplayClient::connected() const {
    return m_window != XCB_NONE;
}

int DisplayClient::fd() const {
    return xcb_get_file_descriptor(m_connection);
}

xcb_atom_t DisplayClient::atom(const std::string &name) {
    const auto known = m_atoms.find(name);
    if (known != m_atoms.end())
        return known->second;
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(m_connection,
                              xcb_intern_atom(m_connection, 0, uint16_t(name.size()), name.c_str()),
                              nullptr),
        &std::free);
    const xcb_atom_t value = reply ? reply->atom : XCB_NONE;
    m_atoms[name] = value;
    return value;
}

std::vector<xcb_atom_t> DisplayClient::contentTargets(Kind kind) {
    if (kind == Kind::png)
        return {atom("image/png")};
    return {atom("UTF8_STRING"), atom("text/plain;charset=utf-8"), atom("text/plain"),
            atom("STRING"), atom("TEXT")};
}

bool DisplayClient::dispatch() {
    bool any = false;
    while (Reply<xcb_generic_event_t> event{xcb_poll_for_event(m_connection), &std::free}) {
        handle(event.get());
        any = true;
    }
    xcb_flush(m_connection);
    return any;
}

void DisplayClient::requestTimestamp() {
    // Appending nothing to a property of ours makes the server report the time.
    m_hasTimestamp = false;
    m_waitingForTimestamp = true;
    xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, m_window, atom("TQ_BENCH_TIME"),
                        XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(m_connection);
}

int DisplayClient::takeClipboard(Kind kind, std::shared_ptr<const std::string> data) {
    m_hasTimestamp = false;
    const int index = int(m_copies.size());
    m_copies.push_back({monotonicNanoseconds(), 0, 0});
    xcb_set_selection_owner(m_connection, m_window, atom("CLIPBOARD"), m_timestamp);
    xcb_flush(m_connection);
    m_offer = {kind, std::move(data), m_timestamp, index};
    return index;
}

void DisplayClient::releaseClipboard() {
    if (!m_offer.data)
        return;
    xcb_set_selection_owner(m_connection, XCB_NONE, atom("CLIPBOARD"), XCB_CURRENT_TIME);
    xcb_flush(m_connection);
    m_offer.data.reset();
}

void DisplayClient::handle(const xcb_generic_event_t *event) {
    switch (event->response_type & 0x7f) {
    case XCB_SELECTION_REQUEST:
        answer(*reinterpret_cast<const xcb_selection_request_event_t *>(event));
        break;
    case XCB_SELECTION_CLEAR: {
        const auto &clear = *reinterpret_cast<const xcb_selection_clear_event_t *>(event);
        if (clear.selection == atom("CLIPBOARD") && m_offer.data) {
            std::fprintf(stderr, "bench_app_driver: another client took the clipboard\n");
            m_offer.data.reset();
        }
        break;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto &change = *reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (change.window == m_window && m_waitingForTimestamp &&
            change.atom == atom("TQ_BENCH_TIME")) {
            m_timestamp = change.time;
            m_waitingForTimestamp = false;
            m_hasTimestamp = true;
            break;
        }
        const auto transfer = m_transfers.find({change.window, change.atom});
        if (change.state != XCB_PROPERTY_DELETE || transfer == m_transfers.end())
            break;
        // The reader took a piece: the next one, and an empty one to end.
        Transfer &incoming = transfer->second;
        const std::size_t piece = std::min(pieceBytes, incoming.data->size() - incoming.sent);
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, change.window, change.atom,
                            incoming.type, 8, uint32_t(piece),
                            incoming.data->data() + incoming.sent);
        incoming.sent += piece;
        if (piece == 0)
            m_transfers.erase(transfer);
        break;
    }
    default:
        break;
    }
}

void DisplayClient::notify(const xcb_selection_request_event_t &request, xcb_atom_t property) {
    xcb_selection_notify_event_t answer{};
    answer.response_type = XCB_SELECTION_NOTIFY;
    answer.time = request.time;
    answer.requestor = request.requestor;
    answer.selection = request.selection;
    answer.target = request.target;
    answer.property = property;
    xcb_send_event(m_connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&answer));
}

void DisplayClient::answer(const xcb_selection_request_event_t &request) {
    const long long now = monotonicNanoseconds();
    // Old clients leave the property out: the target names it then.
    const xcb_atom_t property = request.property != XCB_NONE ? request.property : request.target;
    if (request.owner != m_window || request.selection != atom("CLIPBOARD") || !m_offer.data) {
        notify(request, XCB_NONE);
        return;
    }
    Copy &copy = m_copies[std::size_t(m_offer.index)];
    if (!copy.firstRequestNs)
        copy.firstRequestNs = now;

    const std::vector<xcb_atom_t> contents = contentTargets(m_offer.kind);
    if (request.target == atom("TARGETS")) {
        std::vector<xcb_atom_t> targets{atom("TARGETS"), atom("TIMESTAMP")};
        targets.insert(targets.end(), contents.begin(), contents.end());
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                            XCB_ATOM_ATOM, 32, uint32_t(targets.size()), targets.data());
        notify(request, property);
    } else if (request.target == atom("TIMESTAMP")) {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                            XCB_ATOM_INTEGER, 32, 1, &m_offer.time);
        notify(request, property);
    } else if (std::find(contents.begin(), contents.end(), request.target) != contents.end()) {
        if (!copy.dataRequestNs)
            copy.dataRequestNs = now;
        const xcb_atom_t type =
            request.target == atom("TEXT") ? atom("UTF8_STRING") : request.target;
        const std::string &data = *m_offer.data;
        if (data.size() > pieceBytes) {
            const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(m_connection, request.requestor, XCB_CW_EVENT_MASK,
                                         &events);
            const uint32_t size = uint32_t(data.size());
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                atom("INCR"), 32, 1, &size);
            m_transfers[{request.requestor, property}] = {m_offer.data, 0, type};
        } else {
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                type, 8, uint32_t(data.size()), data.data());
        }
        notify(request, property);
    } else {
        notify(request, XCB_NONE);
    }
}

bool DisplayClient::isViewable(const std::string &title) {
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr),
        &std::free);
    if (!tree)
        return false;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    std::vector<xcb_get_property_cookie_t> names;
    for (int i = 0; i < count; ++i) {
        attributes.push_back(xcb_get_window_attributes(m_connection, children[i]));
        names.push_back(xcb_get_property(m_connection, 0, children[i], XCB_ATOM_WM_NAME,
                                         XCB_GET_PROPERTY_TYPE_ANY, 0, 64));
    }
    bool found = false;
    for (int i = 0; i < count; ++i) {
        Reply<xcb_get_window_attributes_reply_t> state(
            xcb_get_window_attributes_reply(m_connection, attributes[std::size_t(i)], nullptr),
            &std::free);
        Reply<xcb_get_property_reply_t> name(
            xcb_get_property_reply(m_connection, names[std::size_t(i)], nullptr), &std::free);
        if (!state || !name || state->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        const std::string text(static_cast<const char *>(xcb_get_property_value(name.get())),
                               std::size_t(xcb_get_property_value_length(name.get())));
        found = found || text == title;
    }
    return found;
}

void DisplayClient::typeChord(const std::vector<xcb_keysym_t> &keysyms) {
    if (!m_keySymbols)
        m_keySymbols.reset(xcb_key_symbols_alloc(m_connection));
    std::vector<xcb_keycode_t> codes;
    for (const xcb_keysym_t keysym : keysyms) {
        std::unique_ptr<xcb_keycode_t, decltype(&std::free)> found(
            xcb_key_symbols_get_keycode(m_keySymbols.get(), keysym), &std::free);
        if (!found || *found == XCB_NO_SYMBOL)
            fail("no key for keysym " + std::to_string(keysym));
        codes.push_back(*found);
    }
    for (const xcb_keycode_t code : codes)
        xcb_test_fake_input(m_connection, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code)
        xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, *code, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                            0);
    xcb_flush(m_connection);
}

bool DisplayClient::isOwned(const std::string &selection) {
    Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, atom(selection)), nullptr),
        &std::free);
    return reply && reply->owner != XCB_NONE;
}

} // namespace benchapp
