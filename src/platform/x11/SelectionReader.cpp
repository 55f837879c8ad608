#include "platform/x11/SelectionReader.h"

#include "platform/x11/XcbConnection.h"
#include "platform/x11/XcbReply.h"

#include <QLoggingCategory>

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>

namespace {
Q_LOGGING_CATEGORY(lcSelection, "tallowquill.x11.selection")

using std::chrono::milliseconds;

// Where owners put the bytes for us; a name of our own so no other client's data is touched.
constexpr char kProperty[] = "TALLOWQUILL_SELECTION";
} // namespace

SelectionReader::SelectionReader() {
    std::optional<OwnConnection> own =
        connectToDisplay(QStringLiteral("the clipboard stays unread"));
    if (!own)
        return;
    m_connection = std::move(own->connection);
    m_root = own->root;
    renewWindow();

    const QByteArrayList names{QByteArrayLiteral("CLIPBOARD"), QByteArrayLiteral("INCR"),
                               QByteArray(kProperty)};
    const QList<xcb_atom_t> atoms = internAtoms(m_connection.get(), names);
    for (qsizetype i = 0; i < names.size(); ++i)
        remember(names[i], atoms[i]);
    m_clipboard = atoms[0];
    m_incr = atoms[1];
    m_property = atoms[2];
    if (!m_clipboard || !m_incr || !m_property) {
        qCWarning(lcSelection) << "the X server refused our atoms; the clipboard stays unread";
        m_connection.reset();
    }
}

// The server destroys our window with the connection.
SelectionReader::~SelectionReader() = default;

bool SelectionReader::isConnected() const {
    return m_connection && !xcb_connection_has_error(m_connection.get());
}

std::optional<xcb_window_t> SelectionReader::owner() {
    if (!isConnected())
        return std::nullopt;
    XcbReply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        m_connection.get(), xcb_get_selection_owner(m_connection.get(), m_clipboard), nullptr));
    if (!reply)
        return std::nullopt;
    return reply->owner;
}

void SelectionReader::renewWindow() {
    if (m_window != XCB_NONE)
        xcb_destroy_window(m_connection.get(), m_window);
    // A hidden window only to receive the answers; property changes tell us about INCR pieces.
    m_window = xcb_generate_id(m_connection.get());
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection.get(), XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
}

SelectionReader::Transfer SelectionReader::read(const QByteArray &target,
                                                const Patience &patience) {
    using Status = Transfer::Status;
    Transfer transfer = readOnce(target, patience);
    // An owner left behind may still write to our window, late or at our next delete, and its
    // bytes would pass for the next owner's: answers go to a new window from now on.
    if (transfer.status != Status::Received && transfer.status != Status::Refused && isConnected())
        renewWindow();
    return transfer;
}

SelectionReader::Transfer SelectionReader::readOnce(const QByteArray &target,
                                                    const Patience &patience) {
    using Status = Transfer::Status;
    if (!isConnected())
        return {};
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + patience.total;
    const xcb_atom_t targetAtom = atom(target);
    if (!targetAtom)
        return {isConnected() ? Status::Refused : Status::Failed, {}};

    // Answers to earlier requests that gave up may still trickle in: never mistake them for this
    // one.
    discardPendingEvents();
    xcb_delete_property(m_connection.get(), m_window, m_property);
    xcb_convert_selection(m_connection.get(), m_window, m_clipboard, targetAtom, m_property,
                          XCB_CURRENT_TIME);
    xcb_flush(m_connection.get());

    xcb_atom_t property = XCB_NONE;
    const Clock::time_point deadline = std::min(start + patience.answer, end);
    while (property == XCB_NONE) {
        XcbReply<xcb_generic_event_t> event = waitForEvent(deadline, patience.cancelled);
        if (!event)
            return {stopped(patience, false), {}};
        if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
            continue;
        const auto *notify = reinterpret_cast<const xcb_selection_notify_event_t *>(event.get());
        if (notify->requestor != m_window || notify->selection != m_clipboard ||
            notify->target != targetAtom)
            continue;
        if (notify->property == XCB_NONE)
            return {Status::Refused, {}};
        property = notify->property;
    }

    // Taking the property away as we read it is also what tells an INCR sender to begin.
    const XcbReply<xcb_get_property_reply_t> reply = takeProperty(property, patience.maxBytes);
    if (!reply)
        return {isConnected() ? Status::Refused : Status::Failed, {}};
    if (reply->type == m_incr) {
        // The owner's estimate of the whole, a lower bound.
        quint32 announced = 0;
        if (xcb_get_property_value_length(reply.get()) >= int(sizeof announced))
            std::memcpy(&announced, xcb_get_property_value(reply.get()), sizeof announced);
        if (qint64(announced) > patience.maxBytes)
            return {Status::TooLarge, {}, qint64(announced)};
        return receiveIncrementally(property, announced, patience, end);
    }
    const qint64 size = qint64(xcb_get_property_value_length(reply.get())) + reply->bytes_after;
    if (size > patience.maxBytes)
        return {Status::TooLarge, {}, size};
    return {Status::Received, valueOf(*reply), size};
}

SelectionReader::Transfer SelectionReader::receiveIncrementally(xcb_atom_t property,
                                                                qint64 announced,
                                                                const Patience &patience,
                                                                Clock::time_point end) {
    using Status = Transfer::Status;
    QByteArray data;
    for (;;) {
        const Clock::time_point deadline = std::min(Clock::now() + patience.pieces, end);
        bool pieceReady = false;
        while (!pieceReady) {
            XcbReply<xcb_generic_event_t> event = waitForEvent(deadline, patience.cancelled);
            if (!event)
                return {stopped(patience, Clock::now() >= end), {}, data.size()};
            if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                continue;
            const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event.get());
            pieceReady = notify->window == m_window && notify->atom == property &&
                         notify->state == XCB_PROPERTY_NEW_VALUE;
        }
        const XcbReply<xcb_get_property_reply_t> reply =
            takeProperty(property, patience.maxBytes - data.size());
        if (!reply)
            return {isConnected() ? Status::Refused : Status::Failed, {}};
        const qint64 pieceSize =
            qint64(xcb_get_property_value_length(reply.get())) + reply->bytes_after;
        if (pieceSize == 0) // an empty piece ends the transfer
            return {Status::Received, data, data.size()};
        if (data.size() + pieceSize > patience.maxBytes)
            return {Status::TooLarge, {}, std::max(announced, data.size() + pieceSize)};
        data.append(valueOf(*reply));
    }
}

XcbReply<xcb_get_property_reply_t> SelectionReader::takeProperty(xcb_atom_t property,
                                                                 qsizetype maxBytes) {
    // One 32-bit unit more than allowed, so that an oversized value shows in bytes_after; the
    // property is deleted only when read whole.
    const auto units = std::uint32_t(std::min<qsizetype>(maxBytes / 4 + 1, UINT32_MAX / 4));
    return XcbReply<xcb_get_property_reply_t>(
        xcb_get_property_reply(m_connection.get(),
                               xcb_get_property(m_connection.get(), 1, m_window, property,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, units),
                               nullptr));
}

QByteArray SelectionReader::valueOf(xcb_get_property_reply_t &reply) {
    return QByteArray(static_cast<const char *>(xcb_get_property_value(&reply)),
                      xcb_get_property_value_length(&reply));
}

SelectionReader::Transfer::Status SelectionReader::stopped(const Patience &patience,
                                                           bool overdue) const {
    if (patience.cancelled && patience.cancelled->load())
        return Transfer::Status::Cancelled;
    if (!isConnected())
        return Transfer::Status::Failed;
    return overdue ? Transfer::Status::Overdue : Transfer::Status::Silent;
}

SelectionReader::Targets SelectionReader::targets(const Patience &patience) {
    const Transfer transfer = read(QByteArrayLiteral("TARGETS"), patience);
    if (transfer.status != Transfer::Status::Received)
        return {transfer.status, {}, transfer.size};
    QList<xcb_atom_t> atoms;
    const qsizetype count = transfer.data.size() / qsizetype(sizeof(xcb_atom_t));
    for (qsizetype i = 0; i < count; ++i) {
        xcb_atom_t atom = XCB_NONE;
        std::memcpy(&atom, transfer.data.constData() + i * sizeof atom, sizeof atom);
        if (atom != XCB_NONE)
            atoms.append(atom);
    }
    return {Transfer::Status::Received, atomNames(atoms)};
}

xcb_atom_t SelectionReader::atom(const QByteArray &name) {
    if (const auto known = m_atoms.constFind(name); known != m_atoms.cend())
        return *known;
    const xcb_atom_t atom = internAtoms(m_connection.get(), {name}).first();
    remember(name, atom);
    return atom;
}

void SelectionReader::remember(const QByteArray &name, xcb_atom_t atom) {
    if (atom == XCB_NONE)
        return;
    m_atoms.insert(name, atom);
    m_names.insert(atom, name);
}

QByteArrayList SelectionReader::atomNames(QList<xcb_atom_t> atoms) {
    // Real owners offer a few dozen targets; a list of thousands is an attack on our memory.
    constexpr qsizetype maxTargets = 256;
    constexpr qsizetype maxKnownNames = 4096;
    atoms.resize(std::min(atoms.size(), maxTargets));
    if (m_names.size() > maxKnownNames)
        forgetAtoms();
    // Names never change on a server: ask once for the ones we have not seen, all in one go.
    QList<xcb_atom_t> unknown;
    QList<xcb_get_atom_name_cookie_t> cookies;
    for (xcb_atom_t atom : std::as_const(atoms)) {
        if (!m_names.contains(atom) && !unknown.contains(atom)) {
            unknown.append(atom);
            cookies.append(xcb_get_atom_name(m_connection.get(), atom));
        }
    }
    for (qsizetype i = 0; i < unknown.size(); ++i) {
        XcbReply<xcb_get_atom_name_reply_t> reply(
            xcb_get_atom_name_reply(m_connection.get(), cookies[i], nullptr));
        if (!reply)
            continue;
        const QByteArray name(xcb_get_atom_name_name(reply.get()),
                              xcb_get_atom_name_name_length(reply.get()));
        m_names.insert(unknown[i], name);
        m_atoms.insert(name, unknown[i]);
    }
    QByteArrayList names;
    for (xcb_atom_t atom : std::as_const(atoms)) {
        if (const auto name = m_names.constFind(atom); name != m_names.cend())
            names.append(*name);
    }
    return names;
}

void SelectionReader::forgetAtoms() {
    for (auto it = m_atoms.begin(); it != m_atoms.end();) {
        if (*it == m_clipboard || *it == m_incr || *it == m_property) {
            ++it;
        } else {
            m_names.remove(*it);
            it = m_atoms.erase(it);
        }
    }
}

void SelectionReader::discardPendingEvents() {
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_connection.get())}) {
    }
}

XcbReply<xcb_generic_event_t> SelectionReader::waitForEvent(Clock::time_point deadline,
                                                            const std::atomic<bool> *cancelled) {
    // Waits in short slices only while a transfer is under way, so a cancel is seen promptly.
    constexpr milliseconds slice{50};
    for (;;) {
        if (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_connection.get())})
            return event;
        if (xcb_connection_has_error(m_connection.get()) || (cancelled && cancelled->load()))
            return {};
        const auto remaining = std::chrono::ceil<milliseconds>(deadline - Clock::now());
        if (remaining.count() <= 0)
            return {};
        pollfd descriptor{xcb_get_file_descriptor(m_connection.get()), POLLIN, 0};
        if (::poll(&descriptor, 1, int(std::min(remaining, slice).count())) < 0 && errno != EINTR)
            return {};
    }
}
