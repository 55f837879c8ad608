#include "platform/wayland/WaylandWorkspace.h"

#include "platform/DesktopHandoff.h"
#include "platform/wayland/WaylandConnection.h"

#include <QCursor>

#include <wayland-client.h>
#include <wlr-foreign-toplevel-management-unstable-v1-client.h>

#include <algorithm>

namespace {

struct HandleDeleter {
    void operator()(zwlr_foreign_toplevel_handle_v1 *handle) const {
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    }
};

} // namespace

struct WaylandWorkspace::Toplevel {
    WaylandWorkspace *workspace;
    WindowId id;
    std::unique_ptr<zwlr_foreign_toplevel_handle_v1, HandleDeleter> handle;
    QString title{};
    QString appId{};
    bool activated = false;
    // What arrives before `done` applies at once then.
    QString pendingTitle{};
    QString pendingAppId{};
    bool pendingActivated = false;
};

namespace {

template <typename T>
T *as(void *data) {
    return static_cast<T *>(data);
}

bool listsActivated(const wl_array *states) {
    const auto *begin = static_cast<const uint32_t *>(states->data);
    const auto *end = begin + states->size / sizeof(uint32_t);
    return std::find(begin, end, uint32_t(ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)) != end;
}

} // namespace

void WaylandWorkspace::ManagerDeleter::operator()(zwlr_foreign_toplevel_manager_v1 *manager) const {
    // No more toplevels after this; the compositor's last words to it are dropped.
    zwlr_foreign_toplevel_manager_v1_stop(manager);
    wl_proxy_destroy(reinterpret_cast<wl_proxy *>(manager));
}

WaylandWorkspace::WaylandWorkspace(WaylandConnection &connection, QString ownAppId,
                                   QDBusConnection bus)
    : m_connection(connection)
    , m_ownAppId(std::move(ownAppId))
    , m_bus(std::move(bus))
    , m_manager(connection.bindToplevels()) {
    if (!m_manager)
        return;
    using Entry = WaylandWorkspace::Toplevel;
    static const zwlr_foreign_toplevel_handle_v1_listener handleListener{
        .title =
            [](void *data, zwlr_foreign_toplevel_handle_v1 *, const char *title) {
                as<Entry>(data)->pendingTitle = QString::fromUtf8(title);
            },
        .app_id =
            [](void *data, zwlr_foreign_toplevel_handle_v1 *, const char *appId) {
                as<Entry>(data)->pendingAppId = QString::fromUtf8(appId);
            },
        .output_enter = [](void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {},
        .output_leave = [](void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {},
        .state =
            [](void *data, zwlr_foreign_toplevel_handle_v1 *, wl_array *states) {
                as<Entry>(data)->pendingActivated = listsActivated(states);
            },
        .done =
            [](void *data, zwlr_foreign_toplevel_handle_v1 *) {
                Entry &toplevel = *as<Entry>(data);
                toplevel.title = toplevel.pendingTitle;
                toplevel.appId = toplevel.pendingAppId;
                toplevel.activated = toplevel.pendingActivated;
            },
        .closed =
            [](void *data, zwlr_foreign_toplevel_handle_v1 *) {
                Entry &toplevel = *as<Entry>(data);
                toplevel.workspace->m_toplevels.erase(toplevel.id);
            },
        .parent = [](void *, zwlr_foreign_toplevel_handle_v1 *,
                     zwlr_foreign_toplevel_handle_v1 *) {},
    };
    static const zwlr_foreign_toplevel_manager_v1_listener managerListener{
        .toplevel =
            [](void *data, zwlr_foreign_toplevel_manager_v1 *,
               zwlr_foreign_toplevel_handle_v1 *handle) {
                auto &self = *as<WaylandWorkspace>(data);
                const WindowId id = ++self.m_lastId;
                auto toplevel = std::make_unique<Entry>(Entry{&self, id, {handle, {}}});
                zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener,
                                                             toplevel.get());
                self.m_toplevels.emplace(id, std::move(toplevel));
            },
        .finished =
            [](void *data, zwlr_foreign_toplevel_manager_v1 *) {
                as<WaylandWorkspace>(data)->m_toplevels.clear();
            },
    };
    zwlr_foreign_toplevel_manager_v1_add_listener(m_manager.get(), &managerListener, this);
    // The windows open now are known before the first question.
    connection.roundTrip();
}

WaylandWorkspace::~WaylandWorkspace() {
    m_toplevels.clear();
    m_manager.reset();
    m_connection.flush();
}

std::optional<Workspace::WindowId> WaylandWorkspace::activeWindow() {
    for (const auto &[id, toplevel] : m_toplevels) {
        if (toplevel->activated && toplevel->appId != m_ownAppId)
            return id;
    }
    return std::nullopt;
}

void WaylandWorkspace::activateWindow(WindowId window) {
    const auto found = m_toplevels.find(window);
    if (found == m_toplevels.end() || !m_connection.seat())
        return;
    zwlr_foreign_toplevel_handle_v1_activate(found->second->handle.get(), m_connection.seat());
    m_connection.flush();
}

QStringList WaylandWorkspace::windowClass(WindowId window) {
    const auto found = m_toplevels.find(window);
    if (found == m_toplevels.end() || found->second->appId.isEmpty())
        return {};
    return {found->second->appId};
}

QPoint WaylandWorkspace::pointerPosition() const {
    return QCursor::pos();
}

void WaylandWorkspace::openLocation(const QUrl &location) {
    DesktopHandoff::openLocation(location);
}

void WaylandWorkspace::revealFile(const QString &path) {
    DesktopHandoff::revealFile(m_bus, path);
}
