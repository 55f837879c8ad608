#include "platform/wayland/WaylandConnection.h"

#include "platform/SystemLog.h"

#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QThread>

#include <virtual-keyboard-unstable-v1-client.h>
#include <wayland-client.h>
#include <wlr-data-control-unstable-v1-client.h>
#include <wlr-foreign-toplevel-management-unstable-v1-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
Q_LOGGING_CATEGORY(lcWayland, "tallowquill.wayland")
} // namespace

void WaylandConnection::DisplayDeleter::operator()(wl_display *display) const {
    wl_display_disconnect(display);
}

WaylandConnection::WaylandConnection(QObject *parent)
    : QObject(parent)
    , m_display(wl_display_connect(nullptr)) {
    if (!m_display) {
        qCInfo(lcWayland) << "no Wayland compositor to connect to";
        return;
    }
    static const wl_registry_listener listener{&global, &globalRemoved};
    m_registry = wl_display_get_registry(m_display.get());
    wl_registry_add_listener(m_registry, &listener, this);

    const int fd = wl_display_get_fd(m_display.get());
    m_readable = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_readable, &QSocketNotifier::activated, this, &WaylandConnection::readEvents);
    // Only while the socket is full: requests wait in libwayland's buffer until it drains.
    m_writable = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, &WaylandConnection::flush);
    roundTrip();
}

WaylandConnection::~WaylandConnection() {
    for (const auto &pending : m_syncs)
        wl_callback_destroy(pending->callback);
    if (m_dataControl)
        zwlr_data_control_manager_v1_destroy(m_dataControl);
    if (m_virtualKeyboards)
        zwp_virtual_keyboard_manager_v1_destroy(m_virtualKeyboards);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
}

bool WaylandConnection::isConnected() const {
    return m_display && !m_failed;
}

void WaylandConnection::global(void *data, wl_registry *registry, uint32_t name,
                               const char *interface, uint32_t version) {
    auto *self = static_cast<WaylandConnection *>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->m_seat) {
        self->m_seat =
            static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0 &&
               !self->m_dataControl) {
        // Version 2 adds the primary selection, which we ignore; nothing newer is known to us.
        self->m_dataControl = static_cast<zwlr_data_control_manager_v1 *>(wl_registry_bind(
            registry, name, &zwlr_data_control_manager_v1_interface, std::min(version, 2u)));
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0 &&
               !self->m_virtualKeyboards) {
        self->m_virtualKeyboards = static_cast<zwp_virtual_keyboard_manager_v1 *>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0 &&
               self->m_toplevelsName == 0) {
        // Bound only by whoever listens: the manager announces every toplevel at once, and
        // handles nobody listens to would leak.
        self->m_toplevelsName = name;
        self->m_toplevelsVersion = std::min(version, 3u);
    }
}

zwlr_foreign_toplevel_manager_v1 *WaylandConnection::bindToplevels() {
    if (!isConnected() || m_toplevelsName == 0)
        return nullptr;
    return static_cast<zwlr_foreign_toplevel_manager_v1 *>(
        wl_registry_bind(m_registry, m_toplevelsName, &zwlr_foreign_toplevel_manager_v1_interface,
                         m_toplevelsVersion));
}

void WaylandConnection::globalRemoved(void *, wl_registry *, uint32_t) {}

void WaylandConnection::synced(void *data, wl_callback *callback, uint32_t) {
    auto *self = static_cast<WaylandConnection *>(data);
    const auto found =
        std::find_if(self->m_syncs.begin(), self->m_syncs.end(),
                     [&](const auto &pending) { return pending->callback == callback; });
    if (found == self->m_syncs.end())
        return;
    const std::unique_ptr<PendingSync> pending = std::move(*found);
    self->m_syncs.erase(found);
    wl_callback_destroy(callback);
    if (pending->context)
        pending->done();
}

void WaylandConnection::sync(const QObject *context, std::function<void()> done) {
    if (!isConnected())
        return;
    static const wl_callback_listener listener{&synced};
    wl_callback *callback = wl_display_sync(m_display.get());
    wl_callback_add_listener(callback, &listener, this);
    m_syncs.push_back(
        std::make_unique<PendingSync>(PendingSync{callback, context, std::move(done)}));
    flush();
}

bool WaylandConnection::roundTrip() {
    if (!isConnected())
        return false;
    if (wl_display_roundtrip(m_display.get()) < 0) {
        fail();
        return false;
    }
    return true;
}

void WaylandConnection::flush() {
    if (!isConnected())
        return;
    if (wl_display_flush(m_display.get()) >= 0) {
        if (m_writable->thread() == QThread::currentThread())
            m_writable->setEnabled(false);
        return;
    }
    if (errno != EAGAIN) {
        QMetaObject::invokeMethod(this, &WaylandConnection::fail, Qt::QueuedConnection);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this] { m_writable->setEnabled(true); }, Qt::QueuedConnection);
}

void WaylandConnection::readEvents() {
    if (!isConnected())
        return;
    // Only this thread reads, so nothing else can have queued events behind our back; the socket
    // is readable, so reading does not wait.
    if (wl_display_prepare_read(m_display.get()) == 0 &&
        wl_display_read_events(m_display.get()) < 0) {
        fail();
        return;
    }
    dispatchPending();
}

void WaylandConnection::dispatchPending() {
    if (wl_display_dispatch_pending(m_display.get()) < 0) {
        fail();
        return;
    }
    flush();
}

void WaylandConnection::fail() {
    if (m_failed || !m_display)
        return;
    m_failed = true;
    m_readable->setEnabled(false);
    m_writable->setEnabled(false);
    const int error = wl_display_get_error(m_display.get());
    SystemLog::write(
        QStringLiteral("Tallowquill: lost the connection to the Wayland compositor: %1")
            .arg(QString::fromLocal8Bit(std::strerror(error ? error : EPIPE))));
    Q_EMIT lost();
}
