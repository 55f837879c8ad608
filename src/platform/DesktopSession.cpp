#include "platform/DesktopSession.h"

#include <QStringList>

DesktopSession DesktopSession::fromEnvironment() {
    return from(qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
                qEnvironmentVariable("XDG_SESSION_TYPE"),
                !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
}

DesktopSession DesktopSession::from(const QString &currentDesktop, const QString &sessionType,
                                    bool hasWaylandDisplay) {
    DesktopSession session;
    const QStringList names = currentDesktop.split(u':', Qt::SkipEmptyParts);
    if (names.contains(u"GNOME"))
        session.desktop = Desktop::Gnome;
    else if (names.contains(u"KDE"))
        session.desktop = Desktop::Plasma;
    session.wayland = sessionType == u"wayland" || hasWaylandDisplay;
    return session;
}
