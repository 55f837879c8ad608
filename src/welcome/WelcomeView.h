#pragma once

#include "ui/SwitchButton.h"
#include "welcome/GuideButton.h"
#include "welcome/WelcomeSteps.h"

#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

#include <functional>
#include <optional>

class AppSettings;
class AutoPaste;
class AutoPasteHelp;
class LoginItem;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

// What the guide reads and changes outside itself. Everything must outlive the view.
struct WelcomeContext {
    AppSettings &settings;
    LoginItem &loginItem;
    AutoPaste &autoPaste;
    AutoPasteHelp &help;
    // False where the compositor binds the keys (see HotKeyGrab::isChosenHere).
    bool shortcutChosenHere = true;
};

// The first-run guide: three steps (where the panel icon is, letting auto-paste type, the
// everyday keys), a navigation bar, and a countdown that moves on by itself once auto-paste
// starts working while the user is on the permission step. It asks its host for a new height
// through `onResize` and says it is done through `onFinish`.
class WelcomeView : public QWidget {
    Q_OBJECT
public:
    enum class Step { menuBar = 0, accessibility = 1, basics = 2 };
    static std::optional<Step> stepAt(int index);

    static constexpr int viewWidth = 480;
    static constexpr double autoAdvanceSeconds = 5.0;
    static int contentHeight(Step step, bool granted, bool sandboxed);

    // `tray`: where the program's icon is, which the first step tells.
    WelcomeView(const WelcomeContext &context, std::function<void()> onFinish,
                std::function<void(double)> onResize, TrayPlace tray = TrayPlace::upper,
                QWidget *parent = nullptr);
    ~WelcomeView() override;

    Step step() const { return m_step; }
    bool accessibilityGranted() const { return m_accessibilityGranted; }
    bool launchAtLogin() const { return m_launchAtLogin; }
    bool openedSettings() const { return m_openedSettings; }
    TrayPlace trayPlace() const { return m_tray; }
    // A tray came or went: the first step, if it shows, tells the new place.
    void setTrayPlace(TrayPlace tray);
    bool isAutoAdvancing() const { return m_isAutoAdvancing; }
    bool hasAutoAdvanceTask() const { return m_autoAdvanceTask.isActive(); }
    double autoAdvanceProgress() const { return m_autoAdvanceProgress; }
    int contentHeight() const;

    // The navigation, as the buttons run it.
    void goBackOrSkip();
    void goForwardOrDone();

    void checkPermission();
    void startAutoAdvance();
    void stopAutoAdvance();
    // One step forwards (+1) or back (-1); the widget's own move(QPoint) stays available.
    void move(int delta);
    using QWidget::move;

    // For tests and still pictures: a shorter countdown, or one held at a fill fraction.
    void setAutoAdvanceDuration(int milliseconds);
    void holdAutoAdvanceProgress(double progress);

    QPushButton *leftButton() const { return m_leftButton; }
    QPushButton *rightButton() const { return m_rightButton; }
    QWidget *autoAdvanceBar() const { return m_autoAdvanceBar; }
    QWidget *stepContent() const { return m_content; }
    SwitchButton *launchSwitch() const { return m_launchSwitch; }
    QList<GuideButton *> guideButtons() const;

    QSize sizeHint() const override;

protected:
    // Return and Enter anywhere in the guide press "Continue" or "Done".
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildStep();
    void showNavigation();
    void setStep(Step step);
    void setAccessibilityGranted(bool granted);
    void setLaunchAtLogin(bool wanted);
    void openHelp();
    void fadeIn();

    WelcomeContext m_context;
    std::function<void()> m_onFinish;
    std::function<void(double)> m_onResize;
    TrayPlace m_tray;

    Step m_step = Step::menuBar;
    bool m_accessibilityGranted;
    bool m_launchAtLogin;
    bool m_openedSettings = false;
    QTimer m_autoAdvanceTask; // single shot: the pending countdown
    bool m_isAutoAdvancing = false;
    double m_autoAdvanceProgress = 0;
    QVariantAnimation m_autoAdvanceFill;
    QTimer m_permissionTick;

    QScrollArea *m_scroll = nullptr;
    QWidget *m_content = nullptr;
    QWidget *m_autoAdvanceBar = nullptr;
    QWidget *m_autoAdvanceTrack = nullptr;
    QPushButton *m_leftButton = nullptr;
    QPushButton *m_rightButton = nullptr;
    QWidget *m_dots = nullptr;
    QPointer<SwitchButton> m_launchSwitch;
    QPointer<GuideButton> m_helpButton;
    QPointer<GuideButton> m_revealButton;
};
