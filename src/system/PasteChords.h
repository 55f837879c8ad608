#pragma once

#include "platform/KeyPoster.h"
#include "platform/Workspace.h"

#include <QString>
#include <QStringList>

#include <optional>

// Which keys paste in which window: Ctrl+V, except in terminal emulators that take Ctrl+V as a
// literal ^V and paste with Ctrl+Shift+V.
namespace PasteChords {

// The chord for a window of this WM_CLASS (instance, class), matched without regard to case on
// either part.
PasteChord forWindowClass(const QStringList &windowClass);

// The chord for the window, read from the workspace; Ctrl+V when there is none.
PasteChord forWindow(Workspace &workspace, std::optional<Workspace::WindowId> window);

// The chord as the user reads it: "Ctrl+V", "Ctrl+Shift+V".
QString name(PasteChord chord);

} // namespace PasteChords
