#include "app/AppDelegate.h"
#include "history/ClipboardMonitor.h"
#include "history/HistoryTestSupport.h"
#include "hotkey/HotKeyManager.h"
#include "popup/PopupController.h"
#include "settings/AppSettings.h"
#include "settings/SettingsWindowController.h"
#include "support/FakeHotKeyGrab.h"
#include "support/FakeKeyPoster.h"
#include "support/FakeLoginItem.h"
#include "support/FakeTrayPresence.h"
#include "support/FakeWorkspace.h"
#include "support/TestEnvironment.h"
#include "welcome/WelcomeView.h"
#include "welcome/WelcomeWindowController.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() {
        tqtest::resetHome();
        delegate.launch();
    }

    QAction *action(const QString &title) const {
        for (QAction *action : delegate.statusMenu()->actions())
            if (action->text() == title)
                return action;
        return nullptr;
    }

    tqtest::FakePasteboard pasteboard;
    tqtest::FakeWorkspace workspace;
    tqtest::FakeKeyPoster keyPoster;
    tqtest::FakeLoginItem loginItem;
    tqtest::FakeTrayPresence trays;
    AppSettings settings{std::make_unique<MemoryDefaultsStore>()};
    tqtest::FakeHotKeyGrab *grab = new tqtest::FakeHotKeyGrab; // owned by hotKeys
    HotKeyManager hotKeys{std::unique_ptr<HotKeyGrab>(grab)};
    bool sharedMade = (hotKeys.makeShared(), true);
    AppDelegate delegate{Platform{pasteboard, workspace, keyPoster, loginItem, trays}, settings};
};

// The tray menu reads as users expect, with its keyboard shortcuts; a new shortcut shows in the
// first item at once, after each half of the change.
TEST_F(AppDelegateTest, MenuTitlesFollowTheShortcut) {
    QStringList titles;
    for (const QAction *action : delegate.statusMenu()->actions())
        titles << (action->isSeparator() ? QStringLiteral("---") : action->text());
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Show Clipboard History  (⌘⇧V)"),
                                   QStringLiteral("---"), QStringLiteral("Getting Started…"),
                                   QStringLiteral("Settings…"), QStringLiteral("Clear History"),
                                   QStringLiteral("---"), QStringLiteral("Quit Tallowquill")}));
    EXPECT_EQ(action(QStringLiteral("Settings…"))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(action(QStringLiteral("Quit Tallowquill"))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_Q));

    settings.setHotKey(49, 4096 + 2048);
    EXPECT_EQ(delegate.historyMenuItem()->text(),
              QStringLiteral("Show Clipboard History  (⌃⌥Space)"));

    // Bound anew in the desktop's own settings: stored and shown as if recorded here.
    grab->changeElsewhere(Qt::Key_K, 256 + 4096);
    EXPECT_EQ(settings.hotKeyCode(), 40u);
    EXPECT_EQ(settings.hotKeyModifiers(), 256u + 4096u);
    EXPECT_EQ(delegate.historyMenuItem()->text(), QStringLiteral("Show Clipboard History  (⌘⌃K)"));
}

// Copies after launch are recorded; "Clear History" drops what is unpinned and keeps the pins;
// a shorter retention time drops old entries at once, not at the next minute's prune.
TEST_F(AppDelegateTest, HistoryFromTheMenuAndTheSettings) {
    QSignalSpy changes(&delegate.monitor(), &ClipboardMonitor::itemsChanged);
    pasteboard.offer(tqtest::Offer().text(QStringLiteral("keep me")));
    ASSERT_TRUE(changes.wait(3000)) << "the monitor polls by itself";
    delegate.monitor().togglePin(delegate.monitor().recent().first().id);
    pasteboard.offer(tqtest::Offer().text(QStringLiteral("drop me")));
    tqtest::pollAndSettle(delegate.monitor());
    action(QStringLiteral("Clear History"))->trigger();
    EXPECT_EQ(tqtest::texts(delegate.monitor().items()), "keep me");

    delegate.monitor().togglePin(delegate.monitor().pinned().first().id);
    ASSERT_EQ(delegate.monitor().recent().size(), 1);
    settings.setRetentionMinutes(0);
    EXPECT_TRUE(delegate.monitor().recent().isEmpty());
}

// "Settings…" builds one window; closed and shown again, it is the same window where the user
// left it, brought forward each time.
TEST_F(AppDelegateTest, SettingsWindowIsBuiltOnce) {
    action(QStringLiteral("Settings…"))->trigger();
    QWidget *window = delegate.settingsWindow().window();
    ASSERT_TRUE(window && window->isVisible());
    window->move(window->pos() + QPoint(30, 20));
    const QPoint moved = window->pos();
    window->close();
    action(QStringLiteral("Settings…"))->trigger();
    EXPECT_EQ(delegate.settingsWindow().window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), moved);
    EXPECT_EQ(workspace.activated.size(), 2);
}

// The first launch opens the guide and flashes the icon three times, ending plain; closing the
// guide marks it seen. Without an icon (before launch) nothing flashes. (That a later launch opens
// nothing is WelcomeX11Test's.)
TEST_F(AppDelegateTest, FirstLaunchOpensTheGuideAndFlashesTheIcon) {
    QSignalSpy flashes(&delegate, &AppDelegate::statusItemHighlightChanged);
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

    AppDelegate unlaunched{Platform{pasteboard, workspace, keyPoster, loginItem, trays}, settings};
    QSignalSpy none(&unlaunched, &AppDelegate::statusItemHighlightChanged);
    unlaunched.showWelcomeGuide();
    EXPECT_TRUE(unlaunched.welcomeWindow().window());
    EXPECT_TRUE(none.isEmpty());
}

// With no tray the guide's first step says so and nothing flashes; a tray that comes later turns
// the step back to the icon, which then flashes.
TEST_F(AppDelegateTest, TheGuideFollowsTheTray) {
    trays.present = false;
    AppDelegate trayless{Platform{pasteboard, workspace, keyPoster, loginItem, trays}, settings};
    trayless.launch();
    QSignalSpy flashes(&trayless, &AppDelegate::statusItemHighlightChanged);
    ASSERT_TRUE(QTest::qWaitFor([&] { return trayless.welcomeWindow().view(); }, 10000));
    EXPECT_EQ(trayless.welcomeWindow().view()->trayPlace(), TrayPlace::none);
    trays.set(true);
    EXPECT_EQ(trayless.welcomeWindow().view()->trayPlace(), TrayPlace::upper);
    EXPECT_TRUE(flashes.isEmpty());
    trayless.showWelcomeGuide();
    EXPECT_EQ(flashes.size(), 1);
}

// A menu or the popup opened before the guide's moment keeps the keyboard: the guide of a first
// run waits until it closes.
TEST_F(AppDelegateTest, FirstRunGuideWaitsForAnOpenMenuOrPopup) {
    // The fixture's own guide would take the activation from a popup: the menu is opened there,
    // the popup in a second program started once that guide is up.
    AppDelegate *const launched[] = {&delegate, nullptr};
    for (AppDelegate *first : launched) {
        std::unique_ptr<AppDelegate> second;
        if (!first) {
            second = std::make_unique<AppDelegate>(
                Platform{pasteboard, workspace, keyPoster, loginItem, trays}, settings);
            first = second.get();
            first->launch();
        }
        const bool menu = first == &delegate;
        bool due = false; // started after the guide's timer, so it fires after it
        QTimer::singleShot(AppDelegate::welcomeDelayMilliseconds, [&due] { due = true; });
        if (menu)
            first->statusMenu()->popup(QPoint(10, 10));
        else
            first->popup().show();
        ASSERT_TRUE(QTest::qWaitFor([&due] { return due; }));
        EXPECT_EQ(first->welcomeWindow().window(), nullptr) << "menu: " << menu;
        if (menu)
            first->statusMenu()->hide();
        else
            first->popup().close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return first->welcomeWindow().window(); }))
            << "menu: " << menu;
    }
}

// "Quit Tallowquill" ends the event loop at once, without asking.
TEST_F(AppDelegateTest, QuitEndsTheEventLoop) {
    QTimer::singleShot(0, [this] { action(QStringLiteral("Quit Tallowquill"))->trigger(); });
    bool timedOut = false;
    QTimer::singleShot(5000, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(timedOut);
}

} // namespace
