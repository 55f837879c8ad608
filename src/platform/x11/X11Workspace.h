#pragma once

#include "platform/Workspace.h"

// The workspace on X11 through the program's own (Qt's) connection: EWMH where a window
// manager offers it, plain input focus where none runs.
class X11Workspace : public Workspace {
public:
    std::optional<WindowId> activeWindow() override;
    void activateWindow(WindowId window) override;
    void showOnAllWorkspaces(WindowId window) override;
    QPoint pointerPosition() const override;
};
