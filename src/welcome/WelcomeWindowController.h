#pragma once

#include "platform/Workspace.h"
#include "ui/ScreenArea.h"
#include "welcome/WelcomeView.h"

#include <QList>
#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <memory>
#include <optional>

// The free area of the first screen that holds the panel icon, else of the primary screen,
// else of the first. None without screens.
std::optional<QRect> welcomeWindowArea(const QList<ScreenArea> &screens, int primary,
                                       std::optional<QRect> iconFrame);
// The guide window's frame, as the user sees it with its title bar: 16 in from the right and top
// edges of the free area, pinned 16 from the left edge of a narrow one, and no taller than the
// area leaves between its margins, so its title bar and its buttons stay on screen.
QRect welcomeWindowFrame(const QRect &area, QSize frameSize);
// Whether the panel icon lies in the lower half of the screen that holds it.
bool iconInLowerHalf(const QList<ScreenArea> &screens, std::optional<QRect> iconFrame);

// The window of the first-run guide, "Welcome to Tallowquill": built on every show that finds
// none, always above normal windows and on every workspace, in the upper right corner of the
// panel icon's screen. It follows the guide's height downwards from a fixed top edge. Finishing
// the guide or closing the window runs `onDismiss` once and leaves no window.
class WelcomeWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr int initialWidth = 480;
    static constexpr int initialHeight = 600;
    static constexpr int margin = 16;
    static constexpr int resizeMilliseconds = 200;

    // Everything handed in must outlive the controller.
    WelcomeWindowController(const WelcomeContext &context, Workspace &workspace,
                            QObject *parent = nullptr);
    ~WelcomeWindowController() override;

    // Builds and shows the guide, or brings the one already open to the front.
    void show();

    QWidget *window() const { return m_window.get(); }
    WelcomeView *view() const { return m_view; }

    std::function<void()> onDismiss;
    // The panel icon's frame in global coordinates, when known.
    std::function<std::optional<QRect>()> statusItemFrame;
    // Whether the desktop shows a tray; one is assumed without this.
    std::function<bool()> trayPresent;

    // A tray came or went: the guide's first step follows.
    void trayChanged();

private:
    TrayPlace trayPlace(const QList<ScreenArea> &screens) const;
    void bringForward();
    void finish();
    void windowClosed();
    void resizeContent(double height);
    // The window where the corner rule puts its frame, as tall as its content lets it be.
    void place();
    void awaitFrame(Workspace::WindowId id);
    // The window's height for a content height, short enough for the frame to fit its area.
    int fittingHeight(double content) const;

    WelcomeContext m_context;
    Workspace &m_workspace;
    std::unique_ptr<QWidget> m_window;
    QPointer<WelcomeView> m_view;
    QMargins m_frame; // the window manager's frame around the window
    std::optional<QRect> m_area;
    double m_contentHeight = initialHeight;
};
