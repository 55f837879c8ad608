#pragma once

#include "platform/Workspace.h"

#include <QDBusConnection>
#include <QGuiApplication>

#include <map>
#include <memory>

class WaylandConnection;
struct zwlr_foreign_toplevel_manager_v1;

// The workspace on Wayland. Windows are the toplevels the compositor lists through
// zwlr_foreign_toplevel_manager_v1, each with an id of its own for as long as it lives; without
// that list no window is known and the compositor's own focus return is relied on. Placement,
// frames and workspaces are the compositor's to decide. The connection outlives this.
class WaylandWorkspace : public Workspace {
public:
    // `ownAppId`: the app_id of this program's windows, never reported as the one in front.
    explicit WaylandWorkspace(WaylandConnection &connection,
                              QString ownAppId = QGuiApplication::desktopFileName(),
                              QDBusConnection bus = QDBusConnection::sessionBus());
    ~WaylandWorkspace() override;
    WaylandWorkspace(const WaylandWorkspace &) = delete;
    WaylandWorkspace &operator=(const WaylandWorkspace &) = delete;

    // The activated toplevel of another application.
    std::optional<WindowId> activeWindow() override;
    void activateWindow(WindowId window) override;
    // The window's app_id alone ("foot", "org.gnome.Terminal").
    QStringList windowClass(WindowId window) override;
    // The virtual keyboard types into whichever window has focus, listed or not: every window
    // is within reach, as seesEveryWindow()'s default says.
    bool placesWindows() const override { return false; }
    bool isCompositing() override { return true; }
    void showOnAllWorkspaces(WindowId) override {}
    QMargins frameExtents(WindowId) override { return {}; }
    // Qt's last known pointer position: Wayland tells it only over Qt's own windows.
    QPoint pointerPosition() const override;
    void openLocation(const QUrl &location) override;
    void revealFile(const QString &path) override;

private:
    struct Toplevel;
    struct ManagerDeleter {
        void operator()(zwlr_foreign_toplevel_manager_v1 *manager) const;
    };

    WaylandConnection &m_connection;
    QString m_ownAppId;
    QDBusConnection m_bus;
    std::unique_ptr<zwlr_foreign_toplevel_manager_v1, ManagerDeleter> m_manager;
    std::map<WindowId, std::unique_ptr<Toplevel>> m_toplevels;
    // Far from Qt's own window ids, which the program hands here too.
    WindowId m_lastId = WindowId(1) << 48;
};
