#pragma once

#include "platform/ActivationToken.h"

#include <QMargins>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QtGlobal>

#include <optional>

// The desktop as the program needs it: which window the user is working in, bringing a window
// to the front with the keyboard focus, where the pointer is, and handing locations and files
// to the desktop's own programs. Main thread only.
class Workspace {
public:
    // A native window handle (an X window id); 0 is never a window.
    using WindowId = quint64;

    virtual ~Workspace() = default;

    // The window in front: the desktop's active window, else the one holding the keyboard focus.
    // nullopt when there is none.
    virtual std::optional<WindowId> activeWindow() = 0;

    // Asks the desktop to bring the window to the front and give it the keyboard focus; sets the
    // focus directly when no window manager runs. Asynchronous; the result is not examined.
    virtual void activateWindow(WindowId window) = 0;
    // The token that the windows brought forward from now on are asked for with, until another
    // replaces it; an empty one ends its use. A desktop without such tokens ignores it.
    virtual void setActivationToken(const ActivationToken &) {}

    // The window's WM_CLASS, instance then class ("xfce4-terminal", "Xfce4-terminal"), taken from
    // the nearest of it and its ancestors that has one; empty when none has or it has gone.
    virtual QStringList windowClass(WindowId window) = 0;

    // False where some windows are out of sight (native windows of a Wayland session, seen from
    // XWayland): no window in front may then mean one of those, which keys typed here never
    // reach.
    virtual bool seesEveryWindow() const { return true; }

    // Whether the program may put its windows and menus where it likes (at the pointer, in a
    // corner); false where the compositor alone decides (Wayland).
    virtual bool placesWindows() const { return true; }

    // True while a compositing manager runs, so translucent windows blend with what lies behind.
    virtual bool isCompositing() = 0;

    // Marks a created, not yet shown window to appear on every workspace.
    virtual void showOnAllWorkspaces(WindowId window) = 0;

    // The widths of the frame the window manager will draw around a created, not yet shown
    // window, asked of it beforehand; none when no window manager runs or it does not say.
    // The first call for a window asks and may wait a moment for the answer; later calls only
    // read what the manager has said since.
    virtual QMargins frameExtents(WindowId window) = 0;

    // The pointer in Qt's global, top-left based coordinates.
    virtual QPoint pointerPosition() const = 0;

    // Opens the location with the desktop's handler for it (a web page, a local file).
    virtual void openLocation(const QUrl &location) = 0;
    // Shows the file selected in the desktop's file manager, else opens its folder.
    // Asynchronous: returns before the file manager answers.
    virtual void revealFile(const QString &path) = 0;
};
