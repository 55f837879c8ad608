#pragma once

#include <QPoint>
#include <QString>
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

    // Marks a created, not yet shown window to appear on every workspace.
    virtual void showOnAllWorkspaces(WindowId window) = 0;

    // The pointer in Qt's global, top-left based coordinates.
    virtual QPoint pointerPosition() const = 0;

    // Opens the location with the desktop's handler for it (a web page, a local file).
    virtual void openLocation(const QUrl &location) = 0;
    // Shows the file selected in the desktop's file manager, else opens its folder.
    // Asynchronous: returns before the file manager answers.
    virtual void revealFile(const QString &path) = 0;
};
