#pragma once

#include "platform/Workspace.h"

#include <QDBusConnection>
#include <QSet>

// The workspace on X11 through the program's own (Qt's) connection: EWMH where a window
// manager offers it, plain input focus where none runs. Files are revealed through the
// freedesktop file-manager interface on the session bus.
class X11Workspace : public Workspace {
public:
    // `inWaylandSession`: the display is XWayland's, where native windows are out of sight.
    explicit X11Workspace(bool inWaylandSession = false,
                          QDBusConnection bus = QDBusConnection::sessionBus())
        : m_bus(std::move(bus))
        , m_inWaylandSession(inWaylandSession) {}

    std::optional<WindowId> activeWindow() override;
    void activateWindow(WindowId window) override;
    void setActivationToken(const ActivationToken &token) override;
    QStringList windowClass(WindowId window) override;
    bool seesEveryWindow() const override { return !m_inWaylandSession; }
    bool isCompositing() override;
    void showOnAllWorkspaces(WindowId window) override;
    QMargins frameExtents(WindowId window) override;
    QPoint pointerPosition() const override;
    void openLocation(const QUrl &location) override;
    void revealFile(const QString &path) override;

private:
    QDBusConnection m_bus;
    bool m_inWaylandSession;
    QSet<WindowId> m_extentsAsked;
    QByteArray m_startupId; // the X11 part of the token; XDG_ACTIVATION_TOKEN is Wayland's
};
