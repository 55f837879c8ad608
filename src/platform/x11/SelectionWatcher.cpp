#include "platform/x11/SelectionWatcher.h"

#include "platform/SystemLog.h"
#include "platform/x11/XcbConnection.h"
#include "platform/x11/XcbReply.h"

#include <QByteArrayList>
#include <QSocketNotifier>
#include <QTimer>

#include <xcb/xfixes.h>

#include <cstring>
#include <utility>

namespace {
// Where owners put their TIMESTAMP for us.
constexpr char kProperty[] = "TALLOWQUILL_TIMESTAMP";
} // namespace

SelectionWatcher::SelectionWatcher(Detection detection, QObject *parent)
    : QObject(parent) {
    std::optional<OwnConnection> own = connectToDisplay(QStringLiteral("copies are not recorded"));
    if (!own)
        return;
    m_connection = std::move(own->connection);
    xcb_connection_t *connection = m_connection.get();
    const xcb_window_t root = own->root;

    const QList<xcb_atom_t> atoms =
        internAtoms(connection, {QByteArrayLiteral("CLIPBOARD"), QByteArrayLiteral("TIMESTAMP"),
                                 QByteArray(kProperty)});
    m_clipboard = atoms[0];
    m_timestampTarget = atoms[1];
    m_property = atoms[2];

    m_notifier =
        new QSocketNotifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SelectionWatcher::readEvents);

    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    XcbReply<xcb_xfixes_query_version_reply_t> version;
    if (detection == Detection::automatic && xfixes && xfixes->present) {
        // The server speaks XFIXES to a client only once it has said which version it knows.
        version.reset(xcb_xfixes_query_version_reply(
            connection, xcb_xfixes_query_version(connection, 5, 0), nullptr));
    }
    if (version) {
        m_xfixesEvent = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
        xcb_xfixes_select_selection_input(
            connection, root, m_clipboard,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    } else {
        if (detection == Detection::automatic)
            SystemLog::write(
                QStringLiteral("Tallowquill: the X server has no XFIXES extension; "
                               "the clipboard is looked at every half second instead"));
        // A hidden window only to receive the owners' TIMESTAMP answers.
        m_window = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, m_window, root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        m_pollTimer = new QTimer(this);
        m_pollTimer->setInterval(pollInterval);
        connect(m_pollTimer, &QTimer::timeout, this, &SelectionWatcher::look);
        m_pollTimer->start();
        look();
    }
    xcb_flush(connection);
}

SelectionWatcher::~SelectionWatcher() = default;

bool SelectionWatcher::isConnected() const {
    return m_connection && !xcb_connection_has_error(m_connection.get());
}

// Every event that has arrived, including those a reply read along the way.
void SelectionWatcher::readEvents() {
    if (!isConnected()) {
        SystemLog::write(QStringLiteral(
            "Tallowquill: lost the connection to the X server; copies are no longer recorded"));
        m_notifier->setEnabled(false);
        if (m_pollTimer)
            m_pollTimer->stop();
        return;
    }
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_connection.get())})
        handle(*event);
}

void SelectionWatcher::handle(const xcb_generic_event_t &event) {
    const std::uint8_t type = event.response_type & 0x7f;
    if (m_xfixesEvent && type == m_xfixesEvent) {
        const auto &notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t &>(event);
        if (notify.selection != m_clipboard)
            return;
        switch (notify.subtype) {
        case XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER:
            Q_EMIT changed(notify.owner == XCB_NONE ? Change::cleared : Change::taken,
                           notify.owner);
            break;
        case XCB_XFIXES_SELECTION_EVENT_SELECTION_WINDOW_DESTROY:
        case XCB_XFIXES_SELECTION_EVENT_SELECTION_CLIENT_CLOSE:
            Q_EMIT changed(Change::ownerGone, XCB_NONE);
            break;
        default:
            break;
        }
    } else if (type == XCB_SELECTION_NOTIFY) {
        const auto &notify = reinterpret_cast<const xcb_selection_notify_event_t &>(event);
        if (notify.requestor == m_window && notify.target == m_timestampTarget) {
            m_timestampAsked = false;
            // The answer of an owner that has since given the clipboard up is not the new one's.
            if (notify.property != XCB_NONE && !std::exchange(m_answerIsStale, false))
                takeTimestamp(notify.property);
        }
    }
}

void SelectionWatcher::look() {
    if (!isConnected()) {
        readEvents(); // says so and stops
        return;
    }
    XcbReply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        m_connection.get(), xcb_get_selection_owner(m_connection.get(), m_clipboard), nullptr));
    if (!reply)
        return;
    const xcb_window_t owner = reply->owner;
    if (owner != m_owner) {
        const xcb_window_t previous = m_owner;
        m_owner = owner;
        m_ownerTime.reset();
        m_answerIsStale = m_timestampAsked;
        m_timestampAsked = false;
        if (owner != XCB_NONE)
            Q_EMIT changed(Change::taken, owner);
        else
            Q_EMIT changed(windowExists(previous) ? Change::cleared : Change::ownerGone, XCB_NONE);
    }
    // An owner that copies again keeps its window; its TIMESTAMP tells. One question at a time:
    // an owner that never answers is asked nothing more.
    if (m_owner != XCB_NONE && !m_timestampAsked) {
        m_timestampAsked = true;
        xcb_delete_property(m_connection.get(), m_window, m_property);
        xcb_convert_selection(m_connection.get(), m_window, m_clipboard, m_timestampTarget,
                              m_property, XCB_CURRENT_TIME);
        xcb_flush(m_connection.get());
    }
    // The round trip above may have read events the notifier will not announce again.
    readEvents();
}

void SelectionWatcher::takeTimestamp(xcb_atom_t property) {
    XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(m_connection.get(),
                               xcb_get_property(m_connection.get(), 1, m_window, property,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, 1),
                               nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return;
    quint32 time = 0;
    std::memcpy(&time, xcb_get_property_value(reply.get()), sizeof time);
    const bool copiedAgain = m_ownerTime && *m_ownerTime != time;
    m_ownerTime = time;
    if (copiedAgain)
        Q_EMIT changed(Change::taken, m_owner);
}

bool SelectionWatcher::windowExists(xcb_window_t window) {
    if (window == XCB_NONE)
        return false;
    xcb_generic_error_t *error = nullptr;
    XcbReply<xcb_get_window_attributes_reply_t> reply(xcb_get_window_attributes_reply(
        m_connection.get(), xcb_get_window_attributes(m_connection.get(), window), &error));
    XcbReply<xcb_generic_error_t> dropped(error);
    return bool(reply);
}
