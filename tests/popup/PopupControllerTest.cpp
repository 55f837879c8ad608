#include "popup/PopupController.h"
#include "popup/ClipboardRow.h"
#include "popup/PopupPanel.h"
#include "popup/PopupPlacement.h"
#include "popup/PopupTestSupport.h"
#include "support/FakeKeyPoster.h"
#include "support/FakeWorkspace.h"
#include "system/AutoPaste.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

constexpr Workspace::WindowId kEditor = 0x4200007;

class Controller : public ::testing::Test {
protected:
    Controller() { workspace.active = kEditor; }

    void press(int key, Qt::KeyboardModifiers modifiers = {}, const QString &text = {}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
        QCoreApplication::sendEvent(controller->listView(), &event);
    }

    // The notice is modal: answer it with "OK" as soon as it shows.
    void answerNoticeWithOk() {
        QTimer::singleShot(0, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return answerNoticeWithOk();
            notices << box->text();
            box->reject();
        });
    }

    tqtest::History history;
    tqtest::FakeWorkspace workspace;
    tqtest::FakeKeyPoster poster;
    AutoPaste autoPaste{poster};
    std::unique_ptr<PopupController> controller =
        std::make_unique<PopupController>(history.monitor, workspace, autoPaste);
    QStringList notices;
};

// Showing prunes first, remembers the window in front and opens the popup's window, keyed.
// (Where it goes is PopupPlacement's.)
TEST_F(Controller, ShowingBuildsAFreshPopup) {
    history.addText(QStringLiteral("expired"), 3 * 3600);
    history.addText(QStringLiteral("fresh"));
    controller->show();
    ASSERT_TRUE(controller->isOpen());
    EXPECT_EQ(history.monitor.items().size(), 1);
    EXPECT_EQ(controller->previousWindow(), kEditor);
    PopupPanel *panel = controller->panel();
    EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(workspace.onAllWorkspaces, QList<Workspace::WindowId>{panel->winId()});
    EXPECT_TRUE(workspace.activated.contains(panel->winId()));
    QTRY_VERIFY(panel->isActiveWindow());
    EXPECT_EQ(QApplication::focusWidget(), controller->listView());
}

// The popup goes on the screen holding the pointer, centred on its free area; else the primary.
TEST(PopupPlacement, CentresOnThePointersScreen) {
    const QList<ScreenArea> screens = {
        {QRect(0, 0, 1920, 1080), QRect(0, 32, 1920, 1048)},
        {QRect(1920, 0, 2560, 1440), QRect(1920, 0, 2560, 1400)},
    };
    const QSize size(380, 440);
    EXPECT_EQ(popupOrigin(QPoint(1930, 5), screens, 0, size), QPoint(3010, 480));
    EXPECT_EQ(popupOrigin(QPoint(10, 10), screens, 1, size), QPoint(770, 336));
    EXPECT_EQ(popupOrigin(QPoint(-500, -500), screens, 1, size), QPoint(3010, 480));
    EXPECT_EQ(popupOrigin(QPoint(-500, -500), screens, -1, size), QPoint(770, 336));
    EXPECT_EQ(popupOrigin(QPoint(0, 0), {}, -1, size), std::nullopt);
}

// The shortcut toggles; the menu item always shows, keeping the window the popup came from.
TEST_F(Controller, ToggleAndShowAgain) {
    controller->toggle();
    ASSERT_TRUE(controller->isOpen());
    workspace.active = controller->panel()->winId(); // the popup is in front now
    controller->show();
    EXPECT_TRUE(controller->isOpen());
    EXPECT_EQ(controller->previousWindow(), kEditor);
    controller->toggle();
    EXPECT_FALSE(controller->isOpen());
    EXPECT_EQ(history.pasteboard.writes(), 0);
    EXPECT_EQ(poster.pastes, 0);
}

// Every opening starts from the top with the first row selected and lists what was copied
// meanwhile, whatever the last one left selected or scrolled.
TEST_F(Controller, ReopeningStartsAfresh) {
    for (int i = 0; i < 40; ++i)
        history.addText(QStringLiteral("entry %1").arg(i));
    const auto selectedRows = [this] {
        QList<qsizetype> indexes;
        for (ClipboardRow *row : controller->listView()->builtRows())
            if (row->isSelected())
                indexes << history.monitor.items().indexOf(row->item());
        return indexes;
    };
    controller->show();
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Escape);
    controller->show();
    EXPECT_EQ(controller->listView()->selection(), 0);
    EXPECT_EQ(selectedRows(), QList<qsizetype>{0});

    QScrollBar *bar = controller->listView()->scrollArea()->verticalScrollBar();
    for (int i = 0; i < 30; ++i)
        press(Qt::Key_Down);
    QTRY_VERIFY(bar->value() > 0);
    press(Qt::Key_Escape);
    history.addText(QStringLiteral("newest"));
    controller->show();
    EXPECT_EQ(bar->value(), 0);
    ASSERT_TRUE(controller->listView()->rowAt(0));
    EXPECT_EQ(controller->listView()->rowAt(0)->item().text, QStringLiteral("newest"));
    EXPECT_EQ(selectedRows(), QList<qsizetype>{0});
}

// Another window taking the focus closes it without writing or re-activating. (Escape is
// ClipboardListViewTest's and PopupX11Test's.)
TEST_F(Controller, ClosesOnLosingActivation) {
    history.addText(QStringLiteral("entry"));
    controller->show();
    QTRY_VERIFY(controller->panel()->isActiveWindow());
    QWidget other;
    other.show();
    other.activateWindow();
    QTRY_VERIFY(!controller->isOpen());
    EXPECT_EQ(history.pasteboard.writes(), 0);
    EXPECT_FALSE(workspace.activated.contains(kEditor));
}

// Choosing closes, writes, brings the remembered window back and types the paste 120 ms later,
// even when the controller is gone by then.
TEST_F(Controller, PasteFlowWithPermission) {
    history.addText(QStringLiteral("older"));
    history.addText(QStringLiteral("newer"));
    controller->show();
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_FALSE(controller->isOpen());
    EXPECT_EQ(history.pasteboard.current().string, QStringLiteral("older"));
    EXPECT_EQ(workspace.activated.last(), kEditor);
    EXPECT_EQ(poster.pastes, 0);
    controller.reset();
    QTRY_COMPARE(poster.pastes, 1);
    EXPECT_EQ(history.monitor.items().size(), 2); // our own write is not recorded
}

// Without the permission, or where the window it came from was out of sight (a native window of
// a Wayland session), the entry stays on the clipboard and a notice names the keys that paste in
// that window; nothing is typed and no window is re-activated.
TEST_F(Controller, PasteFlowThatCannotType) {
    const struct {
        bool trusted;
        std::optional<Workspace::WindowId> window;
        const char *notice;
    } cases[] = {
        {false, kEditor, "Copied \u2014 press Ctrl+Shift+V to paste"},
        {true, std::nullopt, "Copied \u2014 press Ctrl+V to paste"},
    };
    workspace.classes[kEditor] = {QStringLiteral("konsole")};
    workspace.seesEvery = false;
    history.addText(QStringLiteral("entry"));
    for (const auto &c : cases) {
        poster.trusted = c.trusted;
        workspace.active = c.window;
        notices.clear();
        controller->show();
        answerNoticeWithOk();
        press(Qt::Key_Return);
        EXPECT_EQ(notices, QStringList{QString::fromUtf8(c.notice)});
        EXPECT_FALSE(controller->isOpen());
        EXPECT_EQ(history.pasteboard.current().string, QStringLiteral("entry"));
        EXPECT_FALSE(workspace.activated.contains(kEditor));
        EXPECT_EQ(poster.pastes, 0);
    }
}

// A pin toggled from the popup leaves it open and keyed, with the entry now pinned.
TEST_F(Controller, PinKeepsThePopupOpen) {
    const ClipboardItem item = history.addText(QStringLiteral("keep me"));
    controller->show();
    QTRY_VERIFY(controller->panel()->isActiveWindow());
    press(Qt::Key_P, {}, QStringLiteral("p"));
    EXPECT_TRUE(controller->isOpen());
    EXPECT_TRUE(controller->panel()->isActiveWindow());
    ASSERT_EQ(history.monitor.pinned().size(), 1);
    EXPECT_EQ(history.monitor.pinned().first().text, item.text);
}

} // namespace
