#include "platform/x11/XcbConnection.h"

#include "platform/SystemLog.h"
#include "platform/x11/XcbReply.h"

#include <QGuiApplication>

std::optional<OwnConnection> connectToDisplay(const QString &consequence) {
    int screenNumber = 0;
    XcbConnection connection(xcb_connect(nullptr, &screenNumber));
    if (xcb_connection_has_error(connection.get())) {
        SystemLog::write(QStringLiteral("Tallowquill: cannot connect to the X server; ") +
                         consequence);
        return std::nullopt;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    return OwnConnection{std::move(connection), root, screenNumber};
}

xcb_connection_t *qtConnection() {
    if (!qGuiApp)
        return nullptr;
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    return connection && !xcb_connection_has_error(connection) ? connection : nullptr;
}

QList<xcb_atom_t> internAtoms(xcb_connection_t *connection, const QByteArrayList &names) {
    QList<xcb_intern_atom_cookie_t> cookies;
    cookies.reserve(names.size());
    for (const QByteArray &name : names)
        cookies.append(
            xcb_intern_atom(connection, 0, std::uint16_t(name.size()), name.constData()));
    QList<xcb_atom_t> atoms;
    atoms.reserve(names.size());
    for (const xcb_intern_atom_cookie_t cookie : std::as_const(cookies)) {
        const XcbReply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr));
        atoms.append(reply ? reply->atom : xcb_atom_t(XCB_NONE));
    }
    return atoms;
}
