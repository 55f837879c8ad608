#include "welcome/WelcomeView.h"

#include "settings/AppSettings.h"
#include "system/AutoPaste.h"
#include "system/AutoPasteHelp.h"
#include "system/LaunchAtLogin.h"
#include "ui/SwitchButton.h"
#include "ui/UiStyle.h"
#include "welcome/GuideButton.h"
#include "welcome/WelcomeSteps.h"
#include "welcome/WelcomeStyle.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <utility>

namespace {

using namespace UiStyle;
using namespace WelcomeStyle;

// The countdown's track and the part of it already filled.
class CountdownTrack : public QWidget {
public:
    CountdownTrack(const double &progress, QWidget *parent)
        : QWidget(parent)
        , m_progress(progress) {
        setFixedHeight(5);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF track(rect());
        fillCapsule(painter, track, withOpacity(accent(), 0.2));
        const double filled = track.width() * std::clamp(m_progress, 0.0, 1.0);
        if (filled > 0)
            fillCapsule(painter, QRectF(track.left(), track.top(), filled, track.height()),
                        accent());
    }

private:
    const double &m_progress;
};

// One dot per step, the current one in the accent colour.
class StepDots : public QWidget {
public:
    StepDots(const WelcomeView::Step &step, QWidget *parent)
        : QWidget(parent)
        , m_step(step) {
        setFixedSize(3 * 6 + 2 * 6, 6);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < 3; ++i) {
            painter.setBrush(i == static_cast<int>(m_step) ? accent()
                                                           : withOpacity(secondary(), 0.28));
            painter.drawEllipse(QRectF(i * 12, 0, 6, 6));
        }
    }

private:
    const WelcomeView::Step &m_step;
};

} // namespace

std::optional<WelcomeView::Step> WelcomeView::stepAt(int index) {
    if (index < 0 || index > 2)
        return std::nullopt;
    return static_cast<Step>(index);
}

int WelcomeView::contentHeight(Step step, bool granted, bool sandboxed) {
    switch (step) {
    case Step::menuBar:
        return 600;
    case Step::accessibility:
        return granted ? 300 : sandboxed ? 740 : 640;
    case Step::basics:
        return 640;
    }
    return 600;
}

WelcomeView::WelcomeView(const WelcomeContext &context, std::function<void()> onFinish,
                         std::function<void(double)> onResize, TrayPlace tray, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
    , m_onFinish(std::move(onFinish))
    , m_onResize(std::move(onResize))
    , m_tray(tray)
    , m_accessibilityGranted(context.autoPaste.isProcessTrusted())
    , m_launchAtLogin(::launchAtLogin(context.loginItem)) {
    setFixedWidth(viewWidth);
    setFocusPolicy(Qt::StrongFocus);
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);
    root->addWidget(m_scroll, 1);

    m_autoAdvanceBar = new QWidget(this);
    auto *bar = new QVBoxLayout(m_autoAdvanceBar);
    bar->setContentsMargins(28, 10, 28, 12);
    bar->setSpacing(6);
    auto *caption = new QLabel(QStringLiteral("Continuing to settings…"), m_autoAdvanceBar);
    caption->setFont(UiStyle::font(11.5, QFont::Medium));
    QPalette colours = caption->palette();
    colours.setColor(QPalette::WindowText, secondary());
    caption->setPalette(colours);
    bar->addWidget(caption);
    m_autoAdvanceTrack = new CountdownTrack(m_autoAdvanceProgress, m_autoAdvanceBar);
    bar->addWidget(m_autoAdvanceTrack);
    m_autoAdvanceBar->hide();
    root->addWidget(m_autoAdvanceBar);

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    colours = line->palette();
    colours.setColor(QPalette::WindowText, withOpacity(primary(), 0.12));
    line->setPalette(colours);
    root->addWidget(line);

    auto *navigation = new QWidget(this);
    auto *row = new QHBoxLayout(navigation);
    row->setContentsMargins(20, 14, 20, 14);
    m_leftButton = new QPushButton(navigation);
    row->addWidget(m_leftButton);
    row->addStretch(1);
    m_dots = new StepDots(m_step, navigation);
    row->addWidget(m_dots, 0, Qt::AlignVCenter);
    row->addStretch(1);
    m_rightButton = new QPushButton(navigation);
    m_rightButton->setDefault(true);
    m_rightButton->setMinimumWidth(88);
    row->addWidget(m_rightButton);
    root->addWidget(navigation);
    connect(m_leftButton, &QPushButton::clicked, this, &WelcomeView::goBackOrSkip);
    connect(m_rightButton, &QPushButton::clicked, this, &WelcomeView::goForwardOrDone);

    m_autoAdvanceTask.setSingleShot(true);
    m_autoAdvanceTask.setInterval(static_cast<int>(autoAdvanceSeconds * 1000));
    // Stopping the timer is the cancel: a stopped timer never fires late.
    connect(&m_autoAdvanceTask, &QTimer::timeout, this, [this] { move(+1); });
    m_autoAdvanceFill.setStartValue(0.0);
    m_autoAdvanceFill.setEndValue(1.0);
    m_autoAdvanceFill.setEasingCurve(QEasingCurve::Linear);
    connect(&m_autoAdvanceFill, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) {
                m_autoAdvanceProgress = value.toDouble();
                m_autoAdvanceTrack->update();
            });

    // Qt's timers keep firing while a menu or a dialog runs.
    m_permissionTick.setInterval(1000);
    connect(&m_permissionTick, &QTimer::timeout, this, &WelcomeView::checkPermission);
    m_permissionTick.start();
    connect(&m_context.settings, &AppSettings::changed, this, &WelcomeView::buildStep);

    buildStep();
    showNavigation();
}

WelcomeView::~WelcomeView() = default;

int WelcomeView::contentHeight() const {
    return contentHeight(m_step, m_accessibilityGranted, AutoPaste::isSandboxed());
}

QSize WelcomeView::sizeHint() const {
    return {viewWidth, contentHeight()};
}

QList<GuideButton *> WelcomeView::guideButtons() const {
    return m_content ? m_content->findChildren<GuideButton *>() : QList<GuideButton *>();
}

void WelcomeView::setTrayPlace(TrayPlace tray) {
    if (std::exchange(m_tray, tray) != tray && m_step == Step::menuBar)
        buildStep();
}

void WelcomeView::buildStep() {
    // The scroll area deletes the previous step's widget.
    m_content = new QWidget;
    m_content->setAutoFillBackground(false);
    auto *column = new QVBoxLayout(m_content);
    column->setContentsMargins(28, 26, 28, 20);
    const WelcomeSteps::State state{m_context.settings,
                                    m_accessibilityGranted,
                                    m_openedSettings,
                                    AutoPaste::isSandboxed(),
                                    m_launchAtLogin,
                                    m_tray,
                                    m_context.shortcutChosenHere,
                                    m_context.autoPaste.typist()};
    WelcomeSteps::Controls controls;
    switch (m_step) {
    case Step::menuBar:
        column->setSpacing(18);
        controls = WelcomeSteps::addMenuBarStep(column, m_content, state);
        break;
    case Step::accessibility:
        column->setSpacing(14);
        controls = WelcomeSteps::addAccessibilityStep(column, m_content, state);
        break;
    case Step::basics:
        column->setSpacing(16);
        controls = WelcomeSteps::addBasicsStep(column, m_content, state);
        break;
    }
    column->addStretch(1);
    m_helpButton = controls.help;
    m_revealButton = controls.reveal;
    m_launchSwitch = controls.launchAtLogin;
    if (m_helpButton)
        connect(m_helpButton, &GuideButton::clicked, this, &WelcomeView::openHelp);
    if (m_revealButton)
        connect(m_revealButton, &GuideButton::clicked, this,
                [this] { m_context.help.revealExecutable(); });
    if (m_launchSwitch)
        connect(m_launchSwitch, &SwitchButton::toggled, this, &WelcomeView::setLaunchAtLogin);
    m_scroll->setWidget(m_content);
    // A focused control of the old step went with it; Return must still reach the guide.
    if (isVisible() && !window()->focusWidget())
        setFocus();
}

void WelcomeView::showNavigation() {
    const bool first = m_step == Step::menuBar;
    m_leftButton->setText(first ? QStringLiteral("Skip") : QStringLiteral("Back"));
    m_leftButton->setFlat(first);
    m_leftButton->setCursor(first ? Qt::PointingHandCursor : Qt::ArrowCursor);
    // "Skip" reads as a link; "Back" is a standard button.
    m_leftButton->setStyleSheet(
        first ? QStringLiteral("QPushButton { border: none; background: transparent; color: %1; "
                               "padding: 4px 0px; } QPushButton:hover { text-decoration: "
                               "underline; }")
                    .arg(accent().name())
              : QString());
    m_rightButton->setText(m_step == Step::basics ? QStringLiteral("Done")
                                                  : QStringLiteral("Continue"));
    m_dots->update();
}

void WelcomeView::goBackOrSkip() {
    if (m_step == Step::menuBar) {
        if (m_onFinish)
            m_onFinish();
        return;
    }
    move(-1);
}

void WelcomeView::goForwardOrDone() {
    stopAutoAdvance();
    if (m_step == Step::basics) {
        if (m_onFinish)
            m_onFinish();
        return;
    }
    move(+1);
}

void WelcomeView::checkPermission() {
    const bool trusted = m_context.autoPaste.isProcessTrusted();
    if (trusted && !m_accessibilityGranted && m_step == Step::accessibility)
        startAutoAdvance();
    setAccessibilityGranted(trusted);
}

void WelcomeView::startAutoAdvance() {
    m_autoAdvanceTask.stop();
    m_autoAdvanceProgress = 0;
    m_isAutoAdvancing = true;
    m_autoAdvanceBar->show();
    // The fill starts as the strip comes into view and runs exactly as long as the wait.
    m_autoAdvanceFill.stop();
    m_autoAdvanceFill.setDuration(m_autoAdvanceTask.interval());
    m_autoAdvanceFill.start();
    m_autoAdvanceTask.start();
}

void WelcomeView::stopAutoAdvance() {
    m_autoAdvanceTask.stop();
    m_autoAdvanceFill.stop();
    m_isAutoAdvancing = false;
    m_autoAdvanceProgress = 0;
    m_autoAdvanceBar->hide();
}

void WelcomeView::move(int delta) {
    stopAutoAdvance();
    const std::optional<Step> next = stepAt(static_cast<int>(m_step) + delta);
    if (next)
        setStep(*next);
}

void WelcomeView::setAutoAdvanceDuration(int milliseconds) {
    m_autoAdvanceTask.setInterval(milliseconds);
}

void WelcomeView::holdAutoAdvanceProgress(double progress) {
    m_autoAdvanceFill.stop();
    m_autoAdvanceProgress = progress;
    m_autoAdvanceTrack->update();
}

void WelcomeView::setStep(Step step) {
    if (step == m_step)
        return;
    m_step = step;
    buildStep();
    showNavigation();
    fadeIn();
    if (m_onResize)
        m_onResize(contentHeight());
}

void WelcomeView::setAccessibilityGranted(bool granted) {
    if (granted == m_accessibilityGranted)
        return;
    m_accessibilityGranted = granted;
    if (m_step != Step::menuBar)
        buildStep();
    if (m_onResize)
        m_onResize(contentHeight());
}

void WelcomeView::setLaunchAtLogin(bool wanted) {
    // The switch ends on the real state; putting it back runs this again, which finds the item
    // as wanted and makes no second change.
    m_launchAtLogin = ::setLaunchAtLogin(wanted, m_context.loginItem);
    if (m_launchSwitch && m_launchSwitch->isChecked() != m_launchAtLogin)
        m_launchSwitch->setChecked(m_launchAtLogin);
}

void WelcomeView::openHelp() {
    m_openedSettings = true;
    // Once the help is open, the next thing to do is the other button.
    if (m_helpButton)
        m_helpButton->setProminent(false);
    if (m_revealButton)
        m_revealButton->setProminent(true);
    m_context.help.openHelpPage();
}

void WelcomeView::fadeIn() {
    if (!isVisible())
        return;
    auto *effect = new QGraphicsOpacityEffect(m_content);
    effect->setOpacity(0);
    m_content->setGraphicsEffect(effect);
    auto *fade = new QPropertyAnimation(effect, "opacity", this);
    fade->setDuration(150);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->setEasingCurve(QEasingCurve::InOutQuad);
    // Drawn without the effect once opaque: it would keep rendering through an offscreen buffer.
    const QPointer<QWidget> content(m_content);
    connect(fade, &QPropertyAnimation::finished, this, [content] {
        if (content)
            content->setGraphicsEffect(nullptr);
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void WelcomeView::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_rightButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
