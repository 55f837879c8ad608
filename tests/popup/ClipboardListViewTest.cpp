#include "popup/ClipboardListView.h"
#include "popup/ClipboardRow.h"
#include "popup/IconButton.h"
#include "popup/PopupTestSupport.h"

#include <QKeyEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Kind = ClipboardItem::Kind;

class ListView : public ::testing::Test {
protected:
    // Builds the view over the history as it is now, shown at the popup's size.
    ClipboardListView &open() {
        view = std::make_unique<ClipboardListView>(
            history.monitor, [this](const ClipboardItem &item) { selected << item.text; },
            [this](const ClipboardItem &item) { plain << item.text; },
            [this](const QUuid &id) { pins << id; }, [this] { ++dismissals; });
        view->resize(380, 440);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        return *view;
    }

    // Sends one key press; true when the view handled it.
    bool press(int key, Qt::KeyboardModifiers modifiers = {}, const QString &text = {}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
        QCoreApplication::sendEvent(view.get(), &event);
        return event.isAccepted();
    }

    tqtest::History history;
    std::unique_ptr<ClipboardListView> view;
    QStringList selected;
    QStringList plain;
    QList<QUuid> pins;
    int dismissals = 0;
};

// Arrows move one row and stop at the ends, without wrapping round; an empty history shows the
// notice, and keys that need an entry do nothing.
TEST_F(ListView, ArrowsClampAtBothEnds) {
    open();
    EXPECT_TRUE(view->showsEmptyState());
    EXPECT_TRUE(press(Qt::Key_Down));
    EXPECT_TRUE(press(Qt::Key_Return));
    EXPECT_FALSE(press(Qt::Key_P, {}, QStringLiteral("p")));
    EXPECT_TRUE(selected.isEmpty() && plain.isEmpty() && pins.isEmpty());

    for (const char *text : {"one", "two", "three"})
        history.addText(QLatin1String(text));
    EXPECT_FALSE(view->showsEmptyState());
    EXPECT_TRUE(press(Qt::Key_Up));
    EXPECT_EQ(view->selection(), 0);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_TRUE(press(Qt::Key_Down));
    EXPECT_EQ(view->selection(), 2);
    EXPECT_TRUE(view->rowAt(2)->isSelected());
    EXPECT_FALSE(view->rowAt(0)->isSelected());
}

// Return pastes as stored; Super or Ctrl with it pastes plain text; other modifiers don't count.
TEST_F(ListView, ReturnAndItsModifiers) {
    history.addImage(tqtest::imageOf(qRgb(1, 2, 3)));
    open();
    const struct {
        Qt::KeyboardModifiers modifiers;
        bool plain;
    } cases[] = {
        {{}, false},
        {Qt::AltModifier, false},
        {Qt::MetaModifier, true},
        {Qt::ControlModifier, true},
        {Qt::MetaModifier | Qt::ShiftModifier, true},
    };
    for (const auto &c : cases) {
        selected.clear();
        plain.clear();
        EXPECT_TRUE(press(Qt::Key_Return, c.modifiers));
        EXPECT_EQ(selected.size(), c.plain ? 0 : 1) << c.modifiers.toInt();
        EXPECT_EQ(plain, c.plain ? QStringList{QStringLiteral("Image")} : QStringList())
            << c.modifiers.toInt();
    }
}

// "p" is the produced character only, on a valid selection; other keys go on to the window.
TEST_F(ListView, PinKeyAndUnhandledKeys) {
    history.addText(QStringLiteral("older"));
    const ClipboardItem newest = history.addText(QStringLiteral("newest"));
    open();
    EXPECT_FALSE(press(Qt::Key_P, Qt::ShiftModifier, QStringLiteral("P")));
    EXPECT_FALSE(press(Qt::Key_P, Qt::ControlModifier, QStringLiteral("\x10")));
    EXPECT_FALSE(press(Qt::Key_X, {}, QStringLiteral("x")));
    EXPECT_TRUE(pins.isEmpty());
    EXPECT_TRUE(press(Qt::Key_P, {}, QStringLiteral("p")));
    ASSERT_EQ(pins, QList<QUuid>{newest.id});
    // The monitor moves the entry into the pinned group; the index stays.
    history.monitor.togglePin(newest.id);
    EXPECT_EQ(view->selection(), 0);
    EXPECT_TRUE(press(Qt::Key_Escape));
    EXPECT_EQ(dismissals, 1);
    EXPECT_TRUE(selected.isEmpty());
}

// The selection follows the count, not the entry: a shrinking list pulls it onto the last row,
// a growing one leaves it.
TEST_F(ListView, SelectionClampsWhenTheListChanges) {
    for (int i = 0; i < 3; ++i)
        history.addText(QStringLiteral("old %1").arg(i), 3 * 3600);
    history.addText(QStringLiteral("new 1"));
    history.addText(QStringLiteral("new 2"));
    open();
    for (int i = 0; i < 4; ++i)
        press(Qt::Key_Down);
    ASSERT_EQ(view->selection(), 4);
    history.monitor.prune();
    EXPECT_EQ(view->selection(), 1);
    history.addText(QStringLiteral("newer"));
    EXPECT_EQ(view->selection(), 1);
    EXPECT_TRUE(view->rowAt(1)->isSelected());
    history.monitor.clearHistory();
    EXPECT_EQ(view->selection(), 0);
}

// A rich copy still converting when the list opens appears at its top once converted.
TEST_F(ListView, CopiesArriveWhileOpen) {
    history.addText(QStringLiteral("older"));
    history.monitor.start();
    tqtest::FakePasteboard::Contents rich;
    rich.string = QStringLiteral("bold news");
    rich.html = "<b>bold</b> news";
    history.pasteboard.offer(rich);
    open();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return view->rowAt(0) && view->rowAt(0)->item().kind == Kind::rich; }, 30'000));
    EXPECT_EQ(view->rowAt(1)->item().text, QStringLiteral("older"));
}

// The line between pinned and recent entries appears only where both groups meet.
TEST_F(ListView, DividerOnlyBetweenPinnedAndRecent) {
    const ClipboardItem a = history.addText(QStringLiteral("a"));
    const ClipboardItem b = history.addText(QStringLiteral("b"));
    history.addText(QStringLiteral("c"));
    open();
    EXPECT_TRUE(view->dividersBelow().isEmpty());
    history.pin(a);
    history.pin(b);
    EXPECT_EQ(view->dividersBelow(), QList<qsizetype>{1});
    history.monitor.clearHistory();
    EXPECT_TRUE(view->dividersBelow().isEmpty());
}

// A click anywhere on a row chooses that row's entry; its own buttons do only their own thing.
TEST_F(ListView, ClicksOnRowsAndTheirButtons) {
    history.addText(QStringLiteral("third"));
    const ClipboardItem rich = history.add(Kind::rich, QStringLiteral("second"));
    history.addText(QStringLiteral("first"));
    open();
    QTest::mouseClick(view->rowAt(2), Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(selected, QStringList{QStringLiteral("third")});
    EXPECT_EQ(view->selection(), 0);

    ClipboardRow *row = view->rowAt(1);
    ASSERT_TRUE(row->plainPasteButton());
    EXPECT_FALSE(view->rowAt(0)->plainPasteButton());
    QTest::mouseClick(row->plainPasteButton(), Qt::LeftButton);
    EXPECT_EQ(plain, QStringList{QStringLiteral("second")});
    QTest::mouseClick(row->pinButton(), Qt::LeftButton);
    EXPECT_EQ(pins, QList<QUuid>{rich.id});
    EXPECT_EQ(selected.size(), 1);
}

// Only rows in view exist, so images further down are never decoded while the popup opens; the
// selected row is brought to the middle, and scrolling builds the rows it brings into view.
TEST_F(ListView, BuildsOnlyTheRowsInView) {
    const QByteArray picture = tqtest::imageOf(qRgb(9, 9, 9), "PNG", QSize(1600, 900));
    for (int i = 0; i < 50; ++i) {
        if (i % 5 < 2)
            history.addImage(picture + QByteArray::number(i)); // distinct entries
        else
            history.addText(QStringLiteral("entry %1").arg(i));
    }
    open();
    const QList<ClipboardRow *> rows = view->builtRows();
    EXPECT_GT(rows.size(), 5);
    EXPECT_LT(rows.size(), 15);
    const int viewportHeight = view->scrollArea()->viewport()->height();
    for (ClipboardRow *row : rows)
        EXPECT_LT(row->y(), viewportHeight);

    // Down to the end: each press centres the new row, and the first rows go.
    for (int i = 0; i < 20; ++i)
        press(Qt::Key_Down);
    QWidget *viewport = view->scrollArea()->viewport();
    QTRY_VERIFY(view->rowAt(20) &&
                qAbs(view->rowAt(20)->mapTo(viewport, QPoint()).y() +
                     view->rowAt(20)->height() / 2 - viewport->height() / 2) <= 1);
    for (int i = 20; i < 49; ++i)
        press(Qt::Key_Down);
    QScrollBar *bar = view->scrollArea()->verticalScrollBar();
    QTRY_COMPARE(bar->value(), bar->maximum());
    EXPECT_EQ(view->rowAt(0), nullptr);
    ASSERT_NE(view->rowAt(49), nullptr);
    EXPECT_TRUE(view->rowAt(49)->isSelected());
}

} // namespace
