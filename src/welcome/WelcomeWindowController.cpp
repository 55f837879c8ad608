#include "welcome/WelcomeWindowController.h"

#include "platform/Workspace.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

// A top-level window that reports its closing, by the user or by the guide.
class GuideWindow : public QWidget {
public:
    GuideWindow()
        : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                               Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint) {}

    std::function<void()> onClose;

protected:
    // Dragging anywhere the guide leaves free moves the window, as its title bar does.
    void mousePressEvent(QMouseEvent *event) override {
        if (event->button() == Qt::LeftButton && windowHandle() &&
            windowHandle()->startSystemMove())
            return;
        QWidget::mousePressEvent(event);
    }

    void closeEvent(QCloseEvent *event) override {
        QWidget::closeEvent(event);
        if (event->isAccepted() && onClose)
            onClose();
    }
};

int screenHolding(const QList<ScreenArea> &screens, std::optional<QRect> iconFrame) {
    if (!iconFrame)
        return -1;
    for (int i = 0; i < screens.size(); ++i)
        if (screens[i].geometry.intersects(*iconFrame))
            return i;
    return -1;
}

QList<ScreenArea> currentScreens() {
    QList<ScreenArea> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append({screen->geometry(), screen->availableGeometry()});
    return screens;
}

} // namespace

std::optional<QPoint> welcomeWindowOrigin(const QList<ScreenArea> &screens, int primary,
                                          std::optional<QRect> iconFrame, QSize frameSize) {
    if (screens.isEmpty())
        return std::nullopt;
    int chosen = screenHolding(screens, iconFrame);
    if (chosen < 0)
        chosen = primary >= 0 && primary < screens.size() ? primary : 0;
    const QRect area = screens[chosen].available;
    const int margin = WelcomeWindowController::margin;
    const int right = area.x() + area.width();
    const int bottom = area.y() + area.height();
    return QPoint(std::max(area.left() + margin, right - frameSize.width() - margin),
                  std::min(area.top() + margin, bottom - margin - frameSize.height()));
}

bool iconInLowerHalf(const QList<ScreenArea> &screens, std::optional<QRect> iconFrame) {
    const int index = screenHolding(screens, iconFrame);
    if (index < 0)
        return false;
    return iconFrame->center().y() > screens[index].geometry.center().y();
}

WelcomeWindowController::WelcomeWindowController(const WelcomeContext &context,
                                                 Workspace &workspace, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_workspace(workspace) {}

WelcomeWindowController::~WelcomeWindowController() {
    // Going away with the program is no dismissal.
    if (m_window)
        static_cast<GuideWindow *>(m_window.get())->onClose = nullptr;
}

void WelcomeWindowController::show() {
    if (m_window) {
        bringForward();
        return;
    }
    auto window = std::make_unique<GuideWindow>();
    window->setWindowTitle(QStringLiteral("Welcome to Tallowquill"));
    const QPointer<WelcomeWindowController> self(this);
    window->onClose = [self] {
        if (self)
            self->windowClosed();
    };
    const std::optional<QRect> icon = statusItemFrame ? statusItemFrame() : std::nullopt;
    const QList<ScreenArea> screens = currentScreens();
    auto *layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new WelcomeView(
        m_context,
        [self] {
            if (self)
                self->finish();
        },
        [self](double height) {
            if (self)
                self->resizeContent(height);
        },
        iconInLowerHalf(screens, icon), window.get());
    layout->addWidget(m_view);
    // Titled and closable only: the user does not resize it, the guide does.
    window->setFixedSize(initialWidth, initialHeight);
    window->winId(); // the native window exists from here on
    m_workspace.showOnAllWorkspaces(Workspace::WindowId(window->winId()));

    const QSize frame =
        window->size() + (window->frameGeometry().size() - window->geometry().size());
    const int primary =
        static_cast<int>(QGuiApplication::screens().indexOf(QGuiApplication::primaryScreen()));
    if (const std::optional<QPoint> origin = welcomeWindowOrigin(screens, primary, icon, frame))
        window->move(*origin);
    m_window = std::move(window);
    bringForward();
    m_view->setFocus();
}

void WelcomeWindowController::bringForward() {
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    // Asked of the window manager as the user's own request, which focus-stealing prevention
    // lets through.
    m_workspace.activateWindow(Workspace::WindowId(m_window->winId()));
}

void WelcomeWindowController::finish() {
    if (m_window) {
        m_window->close(); // reports the dismissal through windowClosed
        return;
    }
    if (onDismiss)
        onDismiss();
}

void WelcomeWindowController::windowClosed() {
    if (!m_window)
        return;
    // The window may be inside its own event handling here: it goes once that is over.
    static_cast<GuideWindow *>(m_window.get())->onClose = nullptr;
    m_window.release()->deleteLater();
    m_view = nullptr;
    if (onDismiss)
        onDismiss();
}

void WelcomeWindowController::resizeContent(double height) {
    if (!m_window)
        return;
    QRect target = m_window->geometry();
    target.setHeight(qRound(height)); // the top edge and the width stay
    // The height is fixed between resizes; the animation needs room to pass through.
    const int from = m_window->height();
    m_window->setMinimumHeight(std::min(from, target.height()));
    m_window->setMaximumHeight(std::max(from, target.height()));
    auto *animation = new QPropertyAnimation(m_window.get(), "geometry", m_window.get());
    const QPointer<QWidget> window(m_window.get());
    connect(animation, &QPropertyAnimation::finished, window,
            [window, target] { window->setFixedHeight(target.height()); });
    animation->setDuration(resizeMilliseconds);
    animation->setEndValue(target);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
