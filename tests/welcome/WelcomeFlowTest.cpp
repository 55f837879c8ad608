#include "app/AppDelegate.h"
#include "hotkey/HotKeyManager.h"
#include "settings/AppSettings.h"
#include "support/FakeHotKeyGrab.h"
#include "support/FakeKeyPoster.h"
#include "support/FakeLoginItem.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/MemoryDefaultsStore.h"
#include "system/AutoPaste.h"
#include "system/AutoPasteHelp.h"
#include "welcome/KeyCap.h"
#include "welcome/WelcomeSteps.h"
#include "welcome/WelcomeView.h"
#include "welcome/WelcomeWindowController.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

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

// Runs the event loop until every timer due within `milliseconds` has fired: an order of
// events, not a measured time.
void settleFor(int milliseconds) {
    bool passed = false;
    QTimer::singleShot(milliseconds, [&passed] { passed = true; });
    ASSERT_TRUE(QTest::qWaitFor([&passed] { return passed; }, 10000));
}

class Guide : public ::testing::Test {
protected:
    void make(bool trusted, bool iconBelow = false) {
        keys.trusted = trusted;
        view = std::make_unique<WelcomeView>(
            WelcomeContext{settings, loginItem, autoPaste, help}, [this] { ++finishes; },
            [this](double height) { resizes << height; }, iconBelow);
    }

    // C: Continue/Done, B: Skip/Back, R: Return, T: permission turns on, F: and off again.
    void run(const std::string &actions) {
        for (const char action : actions) {
            switch (action) {
            case 'C':
                view->rightButton()->click();
                break;
            case 'B':
                view->leftButton()->click();
                break;
            case 'R':
                QTest::keyClick(view.get(), Qt::Key_Return);
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
// initial values.
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
        {true, false, "C", Step::accessibility, 0, {300}, false},
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
        {false, false, "RRR", Step::basics, 1, {640, 640}, false},
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

TEST(WelcomeView, Heights) {
    const struct {
        Step step;
        int height[2][2]; // [granted][sandboxed]
    } rows[] = {
        {Step::menuBar, {{600, 600}, {600, 600}}},
        {Step::accessibility, {{640, 740}, {300, 300}}},
        {Step::basics, {{640, 640}, {640, 640}}},
    };
    for (const auto &row : rows)
        for (const bool granted : {false, true})
            for (const bool sandboxed : {false, true})
                EXPECT_EQ(WelcomeView::contentHeight(row.step, granted, sandboxed),
                          row.height[granted][sandboxed]);
    EXPECT_FALSE(WelcomeView::stepAt(3));
    EXPECT_FALSE(WelcomeView::stepAt(-1));
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

// Back or Continue during the countdown stop it for good: no second move follows.
TEST_F(Guide, CountdownCancelled) {
    for (const char button : {'B', 'C'}) {
        make(false);
        view->setAutoAdvanceDuration(40);
        run(std::string("CT") + button);
        const Step after = view->step();
        settleFor(200);
        EXPECT_EQ(view->step(), after);
        EXPECT_FALSE(view->isAutoAdvancing());
    }
}

// The strip fills while the countdown runs.
TEST_F(Guide, CountdownFills) {
    make(false);
    run("CT");
    EXPECT_EQ(view->autoAdvanceProgress(), 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return view->autoAdvanceProgress() > 0; }, 10000));
    EXPECT_LT(view->autoAdvanceProgress(), 1);
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

// The sentences rewritten for this desktop, and the variants of each step.
TEST_F(Guide, StepTexts) {
    make(false, true);
    QStringList shown = texts();
    for (const QString &text :
         {QStringLiteral("Tallowquill is down here"),
          QStringLiteral("No taskbar button, no window — it lives in your panel, as an icon in its "
                         "tray."),
          QStringLiteral("[Ctrl]"), QStringLiteral("[⇧]"),
          WelcomeSteps::richText(QStringLiteral("**⌘** is your Super key: with **⇧ Shift** and V "
                                                "it opens your clipboard history, in any app.")),
          QStringLiteral("Reach for ⌘⇧V the way you already reach for Ctrl+V — that's the whole "
                         "app. You almost never need to click the panel icon.")})
        EXPECT_TRUE(shown.contains(text)) << text.toStdString();

    run("C");
    shown = texts();
    for (const QString &text :
         {QStringLiteral("Tallowquill pastes by typing Ctrl+V into your window, through your X "
                         "session's XTEST extension."),
          QStringLiteral("Your X session does not offer <b>XTEST</b>, so Tallowquill cannot type "
                         "for you yet."),
          QStringLiteral("This window turns green by itself once auto-paste works."),
          QStringLiteral("<Open Auto-Paste Help>"),
          QStringLiteral("Rather skip? Tallowquill still copies whatever you pick — you'd just "
                         "press Ctrl+V yourself to paste it.")})
        EXPECT_TRUE(shown.contains(text)) << text.toStdString();

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

    settings.setHotKeyCode(3); // F
    settings.setHotKeyModifiers(4096 | 2048);
    make(true);
    EXPECT_TRUE(texts().contains(QStringLiteral("[⌃⌥F]")));
    EXPECT_FALSE(texts().contains(QStringLiteral("[Ctrl]")));
    run("CC");
    for (const char *cap : {"[⌃]", "[⌥]", "[F]"})
        EXPECT_TRUE(texts().contains(QString::fromUtf8(cap)));
    EXPECT_TRUE(texts().contains(QStringLiteral("Accessibility On")));
    for (const auto &[minutes, words] :
         {std::pair{45, "45 minutes"}, {90, "1 hour"}, {180, "3 hours"}}) {
        settings.setRetentionMinutes(minutes);
        EXPECT_TRUE(texts().contains(QString::fromUtf8(words)));
    }
}

TEST(WelcomeSteps, RichText) {
    EXPECT_EQ(WelcomeSteps::richText(QStringLiteral("**a** *b* <c> & d")),
              QStringLiteral("<b>a</b> <i>b</i> &lt;c&gt; &amp; d"));
}

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
        {{left, right}, 0, std::nullopt, QPoint(1424, 48), false},
        {{tiny}, 0, std::nullopt, QPoint(16, -116), false},
        {{}, 0, std::nullopt, std::nullopt, false},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(welcomeWindowOrigin(row.screens, row.primary, row.icon, frame), row.origin);
        EXPECT_EQ(iconInLowerHalf(row.screens, row.icon), row.below);
    }
}

// Shown, resized from a fixed top edge, closed or finished once, and built anew afterwards.
TEST_F(Guide, Window) {
    WelcomeWindowController controller({settings, loginItem, autoPaste, help}, workspace);
    int dismissals = 0;
    controller.onDismiss = [&dismissals] { ++dismissals; };
    keys.trusted = false;
    controller.show();
    QWidget *window = controller.window();
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Welcome to Tallowquill"));
    EXPECT_EQ(window->size(), QSize(480, 600));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(workspace.onAllWorkspaces.size(), 1);
    controller.show();
    EXPECT_EQ(controller.window(), window);

    const int top = window->geometry().top();
    controller.view()->rightButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([window] { return window->height() == 640; }, 10000));
    EXPECT_EQ(window->geometry().top(), top);
    EXPECT_EQ(window->width(), 480);

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

class WelcomeDelegate : public ::testing::Test {
protected:
    tqtest::FakePasteboard pasteboard;
    tqtest::FakeWorkspace workspace;
    tqtest::FakeKeyPoster keyPoster;
    tqtest::FakeLoginItem loginItem;
    AppSettings settings{std::make_unique<MemoryDefaultsStore>()};
    HotKeyManager hotKeys{std::make_unique<tqtest::FakeHotKeyGrab>()};
    bool sharedMade = (hotKeys.makeShared(), true);
    AppDelegate delegate{Platform{pasteboard, workspace, keyPoster, loginItem}, settings};
};

// The first launch opens the guide and flashes the icon three times, ending plain; closing the
// guide marks it seen, and a launch after that opens nothing.
TEST_F(WelcomeDelegate, FirstRun) {
    QSignalSpy flashes(&delegate, &AppDelegate::statusItemHighlightChanged);
    delegate.launch();
    EXPECT_EQ(delegate.welcomeWindow().window(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([this] { return delegate.welcomeWindow().window(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&flashes] { return flashes.size() == 6; }, 10000));
    QList<bool> states;
    for (const QList<QVariant> &flash : flashes)
        states << flash.first().toBool();
    EXPECT_EQ(states, (QList<bool>{true, false, true, false, true, false}));
    EXPECT_FALSE(delegate.isStatusItemHighlighted());
    EXPECT_FALSE(settings.hasSeenWelcome());
    delegate.welcomeWindow().window()->close();
    EXPECT_TRUE(settings.hasSeenWelcome());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    AppDelegate later{Platform{pasteboard, workspace, keyPoster, loginItem}, settings};
    later.launch();
    settleFor(AppDelegate::welcomeDelayMilliseconds + 100);
    EXPECT_EQ(later.welcomeWindow().window(), nullptr);

    // "Getting Started…" opens it all the same, and leaves the flag alone.
    later.showWelcomeGuide();
    EXPECT_TRUE(later.welcomeWindow().window());
    EXPECT_TRUE(settings.hasSeenWelcome());
}

// Without a tray icon there is nothing to flash.
TEST_F(WelcomeDelegate, NoIconNoFlash) {
    QSignalSpy flashes(&delegate, &AppDelegate::statusItemHighlightChanged);
    delegate.showWelcomeGuide();
    EXPECT_TRUE(delegate.welcomeWindow().window());
    EXPECT_TRUE(flashes.isEmpty());
}

} // namespace
