#include "settings/AppSettings.h"
#include "support/FakeKeyPoster.h"
#include "support/FakeLoginItem.h"
#include "support/FakeWorkspace.h"
#include "support/MemoryDefaultsStore.h"
#include "system/AutoPaste.h"
#include "system/AutoPasteHelp.h"
#include "welcome/AccessibilityPaneIllustration.h"
#include "welcome/BalancedLabel.h"
#include "welcome/KeyCap.h"
#include "welcome/MenuBarIllustration.h"
#include "welcome/WelcomeSteps.h"
#include "welcome/WelcomeView.h"
#include "welcome/WelcomeWindowController.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Step = WelcomeView::Step;

// The sandbox marker for as long as it lives.
struct Sandbox {
    explicit Sandbox(bool on) {
        if (on)
            qputenv("APP_SANDBOX_CONTAINER_ID", "test");
    }
    ~Sandbox() { qunsetenv("APP_SANDBOX_CONTAINER_ID"); }
};

class Guide : public ::testing::Test {
protected:
    void make(bool trusted, TrayPlace tray = TrayPlace::upper, bool shortcutChosenHere = true) {
        keys.trusted = trusted;
        view = std::make_unique<WelcomeView>(
            WelcomeContext{settings, loginItem, autoPaste, help, shortcutChosenHere},
            [this] { ++finishes; }, [this](double height) { resizes << height; }, tray);
    }

    // C: Continue/Done, B: Skip/Back, T: permission turns on, F: and off again. (Return for
    // Continue is WelcomeX11Test's.)
    void run(const std::string &actions) {
        for (const char action : actions) {
            switch (action) {
            case 'C':
                view->rightButton()->click();
                break;
            case 'B':
                view->leftButton()->click();
                break;
            case 'T':
            case 'F':
                keys.trusted = action == 'T';
                view->checkPermission();
                break;
            }
        }
    }

    QStringList texts() const {
        QStringList all;
        for (const QLabel *label : view->stepContent()->findChildren<QLabel *>())
            all << label->text();
        for (const KeyCap *cap : view->stepContent()->findChildren<KeyCap *>())
            all << QStringLiteral("[%1]").arg(cap->label());
        for (const GuideButton *button : view->guideButtons())
            all << QStringLiteral("<%1>").arg(button->title());
        return all;
    }

    tqtest::FakeKeyPoster keys;
    tqtest::FakeLoginItem loginItem;
    tqtest::FakeWorkspace workspace;
    AppSettings settings{std::make_unique<MemoryDefaultsStore>()};
    AutoPaste autoPaste{keys};
    AutoPasteHelp help{workspace};
    int finishes = 0;
    QList<double> resizes;
    std::unique_ptr<WelcomeView> view;
};

// Every move of the step machine, with the heights asked for; nothing is asked for the
// initial values. Back or Continue during the countdown stop it for good: no move is left due.
TEST_F(Guide, StepMachine) {
    const struct {
        bool trusted, sandboxed;
        std::string actions;
        Step step;
        int finishes;
        QList<double> resizes;
        bool counting;
    } rows[] = {
        {false, false, "", Step::menuBar, 0, {}, false},
        {true, false, "T", Step::menuBar, 0, {}, false},
        {false, false, "B", Step::menuBar, 1, {}, false},
        {false, false, "C", Step::accessibility, 0, {640}, false},
        {false, true, "C", Step::accessibility, 0, {740}, false},
        {true, true, "C", Step::accessibility, 0, {300}, false},
        {false, false, "CB", Step::menuBar, 0, {640, 600}, false},
        {false, false, "CC", Step::basics, 0, {640, 640}, false},
        {false, false, "CT", Step::accessibility, 0, {640, 300}, true},
        {false, false, "CTF", Step::accessibility, 0, {640, 300, 640}, true},
        {false, false, "CTB", Step::menuBar, 0, {640, 300, 600}, false},
        {false, false, "CTC", Step::basics, 0, {640, 300, 640}, false},
        {false, false, "TC", Step::accessibility, 0, {600, 300}, false},
        {false, false, "CCT", Step::basics, 0, {640, 640, 640}, false},
        {false, false, "CCB", Step::accessibility, 0, {640, 640, 640}, false},
        {false, false, "CCC", Step::basics, 1, {640, 640}, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.actions);
        const Sandbox sandbox(row.sandboxed);
        finishes = 0;
        resizes.clear();
        make(row.trusted);
        run(row.actions);
        EXPECT_EQ(view->step(), row.step);
        EXPECT_EQ(finishes, row.finishes);
        EXPECT_EQ(resizes, row.resizes);
        EXPECT_EQ(view->isAutoAdvancing(), row.counting);
        EXPECT_EQ(view->hasAutoAdvanceTask(), row.counting);
        EXPECT_EQ(view->autoAdvanceBar()->isVisibleTo(view.get()), row.counting);
        EXPECT_EQ(view->leftButton()->text(),
                  QString::fromUtf8(view->step() == Step::menuBar ? "Skip" : "Back"));
        EXPECT_EQ(view->rightButton()->text(),
                  QString::fromUtf8(view->step() == Step::basics ? "Done" : "Continue"));
    }
}

// The countdown runs out into the last step, even when the permission goes again meanwhile.
TEST_F(Guide, CountdownMovesOn) {
    for (const std::string actions : {"CT", "CTF"}) {
        make(false);
        view->setAutoAdvanceDuration(40);
        run(actions);
        ASSERT_TRUE(view->isAutoAdvancing());
        EXPECT_TRUE(QTest::qWaitFor([this] { return view->step() == Step::basics; }, 10000));
        EXPECT_FALSE(view->isAutoAdvancing());
        EXPECT_EQ(view->autoAdvanceProgress(), 0);
        EXPECT_EQ(resizes.last(), 640);
    }
}

// The switch ends on the login item's real state.
TEST_F(Guide, LaunchSwitchSettles) {
    for (const bool fails : {false, true}) {
        loginItem = {};
        loginItem.failure = fails ? QStringLiteral("refused") : QString();
        make(false);
        run("CC");
        ASSERT_TRUE(view->launchSwitch());
        view->launchSwitch()->click();
        EXPECT_EQ(view->launchAtLogin(), !fails);
        EXPECT_EQ(view->launchSwitch()->isChecked(), !fails);
        EXPECT_EQ(loginItem.registers, 1);
    }
}

// The sentences that follow the state: where the icon is, the shortcut, the permission, the
// sandbox and the retention time.
TEST_F(Guide, StepTexts) {
    // No tray: nothing to point at or draw, and the entry's actions in place of the icon's menu.
    make(false, TrayPlace::none);
    QStringList shown = texts();
    for (const QString &text :
         {QStringLiteral("Tallowquill runs in the background"),
          QStringLiteral("No taskbar button, no window — and your desktop shows no tray, so no "
                         "icon either."),
          QStringLiteral("Reach for ⌘⇧V the way you already reach for Ctrl+V — that's the whole "
                         "app."),
          QStringLiteral("Right-click Tallowquill in your applications menu when you need to:")})
        EXPECT_TRUE(shown.contains(text)) << text.toStdString();
    EXPECT_FALSE(view->stepContent()->findChild<MenuBarIllustration *>());
    view->setTrayPlace(TrayPlace::upper);
    EXPECT_TRUE(view->stepContent()->findChild<MenuBarIllustration *>());

    make(false, TrayPlace::lower);
    shown = texts();
    for (const QString &text :
         {QStringLiteral("Tallowquill is down here"), QStringLiteral("[Ctrl]"),
          QStringLiteral("[⇧]"),
          QStringLiteral("Reach for ⌘⇧V the way you already reach for Ctrl+V — that's the whole "
                         "app. You almost never need to click the panel icon.")})
        EXPECT_TRUE(shown.contains(text)) << text.toStdString();

    run("C");
    shown = texts();
    for (const QString &text :
         {QStringLiteral("Your X session does not offer <b>XTEST</b>, so Tallowquill cannot type "
                         "for you yet."),
          QStringLiteral("<Open Auto-Paste Help>")})
        EXPECT_TRUE(shown.contains(text)) << text.toStdString();
    // The button opens a help page, not a list with a switch to point at.
    EXPECT_FALSE(view->stepContent()->findChild<AccessibilityPaneIllustration *>());

    {
        const Sandbox sandbox(true);
        make(false);
        run("C");
        ASSERT_EQ(view->guideButtons().size(), 2);
        GuideButton *open = view->guideButtons()[0];
        GuideButton *reveal = view->guideButtons()[1];
        EXPECT_EQ(reveal->title(), QStringLiteral("Show Tallowquill in Files"));
        EXPECT_TRUE(open->isProminent() && !reveal->isProminent());
        open->click();
        EXPECT_TRUE(view->openedSettings());
        EXPECT_TRUE(!open->isProminent() && reveal->isProminent());
    }

    settings.setHotKey(3, 4096 | 2048); // F
    make(true);
    EXPECT_TRUE(texts().contains(QStringLiteral("[⌃⌥F]")));
    EXPECT_FALSE(texts().contains(QStringLiteral("[Ctrl]")));
    run("CC");
    for (const char *cap : {"[⌃]", "[⌥]", "[F]"})
        EXPECT_TRUE(texts().contains(QString::fromUtf8(cap)));
    EXPECT_TRUE(texts().contains(QStringLiteral("Auto-Paste On")));
    // Beside the badge the title keeps to one line, or wraps with no word left alone.
    view->show();
    QCoreApplication::processEvents();
    for (const QString &line : view->findChild<BalancedLabel *>()->text().split(u'\n'))
        EXPECT_TRUE(line.contains(u' ')) << line.toStdString();
    // The words for a time are SettingsViewTest's; here, that a change shows at once.
    settings.setRetentionMinutes(180);
    EXPECT_TRUE(texts().contains(QStringLiteral("3 hours")));
}

// On a compositor's virtual keyboard the permission step names it, and a shortcut the compositor
// binds is one to bind to the command.
TEST_F(Guide, CompositorWords) {
    keys.typistKind = KeyTypist::virtualKeyboard;
    make(false, TrayPlace::upper, false);
    run("C");
    QStringList shown = texts();
    for (const QString &text :
         {QStringLiteral("Tallowquill pastes by typing Ctrl+V into your window, through your "
                         "compositor's virtual keyboard."),
          QStringLiteral("Your compositor offers no <b>virtual keyboard</b>, so Tallowquill "
                         "cannot type for you yet.")})
        EXPECT_TRUE(shown.contains(text)) << text.toStdString();
    run("C");
    EXPECT_TRUE(texts().contains(QStringLiteral(
        "<b>This is how you use Tallowquill.</b> Bind it to <code style=\"white-space:pre\">"
        "tallowquill --popup</code> in your compositor's settings — then that's the whole app.")));
}

TEST(WelcomeSteps, RichText) {
    EXPECT_EQ(WelcomeSteps::richText(QStringLiteral("**a** *b* <c> & `d e`")),
              QStringLiteral("<b>a</b> <i>b</i> &lt;c&gt; &amp; "
                             "<code style=\"white-space:pre\">d e</code>"));
}

// The frame, title bar included, in the corner of the icon's screen and within its free area.
TEST(WelcomePlacement, CornerOfTheIconsScreen) {
    const ScreenArea left{{0, 0, 1920, 1080}, {0, 32, 1920, 1048}};
    const ScreenArea right{{1920, 0, 1280, 1024}, {1920, 0, 1280, 990}};
    const ScreenArea tiny{{0, 0, 400, 500}, {0, 0, 400, 500}};
    const QSize frame(480, 600);
    const struct {
        QList<ScreenArea> screens;
        int primary;
        std::optional<QRect> icon;
        std::optional<QPoint> origin;
        bool below;
    } rows[] = {
        {{left}, 0, std::nullopt, QPoint(1424, 48), false},
        {{left}, 0, QRect(1800, 0, 24, 24), QPoint(1424, 48), false},
        {{left, right}, 0, QRect(2000, 1000, 24, 24), QPoint(2704, 16), true},
        {{left, right}, 1, QRect(-500, -500, 24, 24), QPoint(2704, 16), false},
        {{tiny}, 0, std::nullopt, QPoint(16, 16), false},
        {{}, 0, std::nullopt, std::nullopt, false},
    };
    for (const auto &row : rows) {
        const std::optional<QRect> area = welcomeWindowArea(row.screens, row.primary, row.icon);
        EXPECT_EQ(area ? std::optional(welcomeWindowFrame(*area, frame).topLeft()) : std::nullopt,
                  row.origin);
        EXPECT_EQ(iconInLowerHalf(row.screens, row.icon), row.below);
    }
    EXPECT_EQ(welcomeWindowFrame(tiny.available, frame).height(), 500 - 2 * 16);
}

// Shown once on every workspace, closed or finished once, and built anew afterwards. (Its size and
// place as it walks the steps are WelcomeX11Test's.)
TEST_F(Guide, Window) {
    WelcomeWindowController controller({settings, loginItem, autoPaste, help}, workspace);
    int dismissals = 0;
    controller.onDismiss = [&dismissals] { ++dismissals; };
    keys.trusted = false;
    controller.show();
    QWidget *window = controller.window();
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(workspace.onAllWorkspaces.size(), 1);
    controller.show();
    EXPECT_EQ(controller.window(), window);

    controller.view()->rightButton()->click();
    window->close();
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_EQ(dismissals, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    controller.show();
    ASSERT_TRUE(controller.window());
    EXPECT_EQ(controller.view()->step(), Step::menuBar);
    controller.view()->leftButton()->click(); // Skip
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_EQ(dismissals, 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
