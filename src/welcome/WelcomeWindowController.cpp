#include "welcome/WelcomeWindowController.h"

#include "platform/Workspace.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>
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

} // namespace

std::optional<QRect> welcomeWindowArea(const QList<ScreenArea> &screens, int primary,
                                       std::optional<QRect> iconFrame) {
    if (screens.isEmpty())
        return std::nullopt;
    int chosen = screenHolding(screens, iconFrame);
    if (chosen < 0)
        chosen = primary >= 0 && primary < screens.size() ? primary : 0;
    return screens[chosen].available;
}

QRect welcomeWindowFrame(const QRect &area, QSize frameSize) {
    const int margin = WelcomeWindowController::margin;
    const int height = std::min(frameSize.height(), area.height() - 2 * margin);
    const int right = area.x() + area.width();
    return {std::max(area.left() + margin, right - frameSize.width() - margin), area.top() + margin,
            frameSize.width(), height};
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
    qsizetype primary = -1;
    const QList<ScreenArea> screens = currentScreens(&primary);
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
        trayPlace(screens), window.get());
    layout->addWidget(m_view);
    // Titled and closable only: the user does not resize it, the guide does.
    window->setFixedSize(initialWidth, initialHeight);
    const auto id = Workspace::WindowId(window->winId()); // the native window exists from here on
    m_workspace.showOnAllWorkspaces(id);

    // The corner rule is about the window as the user sees it, so it is placed by its frame,
    // which the window manager describes before the window is shown.
    m_frame = m_workspace.frameExtents(id);
    m_area = welcomeWindowArea(screens, static_cast<int>(primary), icon);
    m_contentHeight = initialHeight;
    m_window = std::move(window);
    place();
    bringForward();
    m_view->setFocus();
    if (m_frame.isNull() && m_area)
        awaitFrame(id);
}

TrayPlace WelcomeWindowController::trayPlace(const QList<ScreenArea> &screens) const {
    if (trayPresent && !trayPresent())
        return TrayPlace::none;
    const std::optional<QRect> icon = statusItemFrame ? statusItemFrame() : std::nullopt;
    return iconInLowerHalf(screens, icon) ? TrayPlace::lower : TrayPlace::upper;
}

void WelcomeWindowController::trayChanged() {
    if (m_view)
        m_view->setTrayPlace(trayPlace(currentScreens()));
}

void WelcomeWindowController::place() {
    if (!m_area)
        return;
    m_window->setFixedHeight(fittingHeight(m_contentHeight));
    const QRect frame = welcomeWindowFrame(*m_area, m_window->size().grownBy(m_frame));
    m_window->setGeometry(frame.marginsRemoved(m_frame));
}

void WelcomeWindowController::awaitFrame(Workspace::WindowId id) {
    // A busy window manager may describe its frame only once the window is shown: it is then
    // placed again. Without a manager no frame comes, and the asking stops after a while.
    auto *poll = new QTimer(m_window.get());
    poll->setInterval(100);
    connect(poll, &QTimer::timeout, this, [this, poll, id, left = 50]() mutable {
        m_frame = m_workspace.frameExtents(id);
        if (!m_frame.isNull())
            place();
        if (!m_frame.isNull() || --left == 0)
            poll->deleteLater();
    });
    poll->start();
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
    m_contentHeight = height;
    // Height alone changes: the top edge and the width stay.
    auto *animation = new QVariantAnimation(m_window.get());
    animation->setStartValue(m_window->height());
    animation->setEndValue(fittingHeight(height));
    animation->setDuration(resizeMilliseconds);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    // Fixed at every height it passes: a window manager frames a window that may be resized,
    // even for a moment, with a grip that it keeps.
    const QPointer<QWidget> window(m_window.get());
    connect(animation, &QVariantAnimation::valueChanged, window,
            [window](const QVariant &value) { window->setFixedHeight(value.toInt()); });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

int WelcomeWindowController::fittingHeight(double content) const {
    const int height = qRound(content);
    const QSize frame = QSize(initialWidth, height).grownBy(m_frame);
    return m_area ? welcomeWindowFrame(*m_area, frame).height() - m_frame.top() - m_frame.bottom()
                  : height;
}
