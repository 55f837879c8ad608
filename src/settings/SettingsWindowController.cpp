#include "settings/SettingsWindowController.h"

#include "platform/Workspace.h"
#include "settings/SettingsView.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// Titled and closable only: no minimising, no resizing.
class SettingsWindow : public QWidget {
public:
    SettingsWindow()
        : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                               Qt::CustomizeWindowHint) {}

protected:
    // A close that Qt accepts also destroys the X window, and the next show would map a new
    // one: the close button only hides.
    void closeEvent(QCloseEvent *event) override {
        event->ignore();
        hide();
    }
};

} // namespace

SettingsWindowController::SettingsWindowController(ViewFactory makeView, Workspace &workspace)
    : m_makeView(std::move(makeView))
    , m_workspace(workspace) {}

SettingsWindowController::~SettingsWindowController() = default;

void SettingsWindowController::show() {
    if (!m_window) {
        m_window = std::make_unique<SettingsWindow>();
        m_window->setWindowTitle(QStringLiteral("Tallowquill Settings"));
        auto *layout = new QVBoxLayout(m_window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize); // the view's size is the window's
        std::unique_ptr<QWidget> view = m_makeView();
        layout->addWidget(view.release()); // the window owns it now
        m_window->adjustSize();
        const QScreen *screen = QGuiApplication::screenAt(m_workspace.pointerPosition());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame = m_window->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            m_window->move(frame.topLeft());
        }
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    // Asked of the window manager as the user's own request, which focus-stealing prevention
    // lets through: the program has no window in front of its own to activate it from.
    m_workspace.activateWindow(Workspace::WindowId(m_window->winId()));
}
