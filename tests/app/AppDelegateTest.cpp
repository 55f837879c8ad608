#include "app/AppDelegate.h"
#include "history/ClipboardMonitor.h"
#include "hotkey/HotKeyManager.h"
#include "settings/AppSettings.h"
#include "settings/SettingsWindowController.h"
#include "support/FakeHotKeyGrab.h"
#include "support/FakeKeyPoster.h"
#include "support/FakeLoginItem.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/MemoryDefaultsStore.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() {
        tqtest::resetHome();
        delegate.launch();
    }

    void copy(const QString &text) {
        tqtest::FakePasteboard::Contents contents;
        contents.string = text;
        pasteboard.offer(contents);
        delegate.monitor().poll();
        QSignalSpy settled(&delegate.monitor(), &ClipboardMonitor::capturesSettled);
        settled.wait();
    }

    QStringList menuTitles() const {
        QStringList titles;
        for (const QAction *action : delegate.statusMenu()->actions())
            titles << (action->isSeparator() ? QStringLiteral("---") : action->text());
        return titles;
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
    AppSettings settings{std::make_unique<MemoryDefaultsStore>()};
    HotKeyManager hotKeys{std::make_unique<tqtest::FakeHotKeyGrab>()};
    bool sharedMade = (hotKeys.makeShared(), true);
    AppDelegate delegate{Platform{pasteboard, workspace, keyPoster, loginItem}, settings};
};

// The tray menu reads as users expect, with its keyboard shortcuts.
TEST_F(AppDelegateTest, MenuTitlesAndOrder) {
    EXPECT_EQ(menuTitles(),
              (QStringList{QStringLiteral("Show Clipboard History  (⌘⇧V)"), QStringLiteral("---"),
                           QStringLiteral("Getting Started…"), QStringLiteral("Settings…"),
                           QStringLiteral("Clear History"), QStringLiteral("---"),
                           QStringLiteral("Quit Tallowquill")}));
    EXPECT_EQ(action(QStringLiteral("Settings…"))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(action(QStringLiteral("Quit Tallowquill"))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(delegate.historyMenuItem(), delegate.statusMenu()->actions().first());
}

// A new shortcut shows in the first menu item at once, after each half of the change.
TEST_F(AppDelegateTest, ShortcutChangeRetitlesTheHistoryItem) {
    settings.setHotKeyModifiers(4096 + 2048);
    EXPECT_EQ(delegate.historyMenuItem()->text(), QStringLiteral("Show Clipboard History  (⌃⌥V)"));
    settings.setHotKeyCode(49);
    EXPECT_EQ(delegate.historyMenuItem()->text(),
              QStringLiteral("Show Clipboard History  (⌃⌥Space)"));
}

// "Clear History" drops what is unpinned and keeps the pins, on disk too.
TEST_F(AppDelegateTest, ClearHistoryKeepsPins) {
    copy(QStringLiteral("keep me"));
    copy(QStringLiteral("drop me"));
    delegate.monitor().togglePin(delegate.monitor().recent().last().id);
    const QString pinsFile = tqtest::home() + QStringLiteral("/.local/share/Tallowquill/pins.json");
    const QByteArray pinsBefore = [&] {
        QFile file(pinsFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    ASSERT_FALSE(pinsBefore.isEmpty());

    action(QStringLiteral("Clear History"))->trigger();

    ASSERT_EQ(delegate.monitor().items().size(), 1);
    EXPECT_EQ(delegate.monitor().items().first().text, QStringLiteral("keep me"));
    EXPECT_TRUE(delegate.monitor().recent().isEmpty());
    QFile file(pinsFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), pinsBefore);
}

// A shorter retention time drops old entries at once, not at the next minute's prune.
TEST_F(AppDelegateTest, RetentionChangePrunesAtOnce) {
    copy(QStringLiteral("old news"));
    ASSERT_EQ(delegate.monitor().recent().size(), 1);
    settings.setRetentionMinutes(0);
    EXPECT_TRUE(delegate.monitor().recent().isEmpty());
}

// What the program had on the clipboard when it started is not recorded; later copies are.
TEST_F(AppDelegateTest, RecordsCopiesAfterLaunch) {
    QSignalSpy changes(&delegate.monitor(), &ClipboardMonitor::itemsChanged);
    tqtest::FakePasteboard::Contents contents;
    contents.string = QStringLiteral("copied later");
    pasteboard.offer(contents);
    ASSERT_TRUE(changes.wait(3000));
    EXPECT_EQ(delegate.monitor().recent().first().text, QStringLiteral("copied later"));
}

// "Quit Tallowquill" ends the event loop at once, without asking.
// "Settings…" builds one window, titled and sized by its content; closed and shown again, it is
// the same window where the user left it.
TEST_F(AppDelegateTest, SettingsWindowIsBuiltOnce) {
    action(QStringLiteral("Settings…"))->trigger();
    QWidget *window = delegate.settingsWindow().window();
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tallowquill Settings"));
    EXPECT_EQ(window->size(), QSize(440, 320));
    window->move(window->pos() + QPoint(30, 20));
    const QPoint moved = window->pos();
    window->close();
    action(QStringLiteral("Settings…"))->trigger();
    EXPECT_EQ(delegate.settingsWindow().window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), moved);
    EXPECT_EQ(workspace.activated.size(), 2);
}

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
