#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class Workspace;

// The one settings window, "Tallowquill Settings". Built around a new settings view on the
// first show and kept for the rest of the process: closing it only hides it, and the next show
// brings back the same window, where the user left it, with the view's state.
class SettingsWindowController {
public:
    using ViewFactory = std::function<std::unique_ptr<QWidget>()>;

    // `makeView` builds the window's content once; the workspace brings the window forward.
    SettingsWindowController(ViewFactory makeView, Workspace &workspace);
    ~SettingsWindowController();

    // Builds the window the first time (centred on the screen with the pointer), then shows it
    // and brings it to the front with the keyboard focus, even over another program's window.
    void show();

    QWidget *window() const { return m_window.get(); }

private:
    ViewFactory m_makeView;
    Workspace &m_workspace;
    std::unique_ptr<QWidget> m_window;
};
