#include "welcome/AccessibilityPaneIllustration.h"
#include "welcome/CalloutAnchorKey.h"
#include "welcome/DragToAccessibilityIllustration.h"
#include "welcome/GuideButton.h"
#include "welcome/KeyCap.h"
#include "welcome/MenuBarIllustration.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QFontMetricsF>
#include <QImage>
#include <QtMath>

#include <gtest/gtest.h>

namespace {

// A callout points at the last element that marked itself; unmarked later elements leave it.
TEST(CalloutAnchorKey, LastMarkedElementWins) {
    const QRectF first(0, 0, 10, 10), second(40, 5, 20, 8);
    const struct {
        CalloutAnchorKey::Value current, next, combined;
    } cases[] = {
        {std::nullopt, std::nullopt, std::nullopt},
        {std::nullopt, first, first},
        {first, std::nullopt, first},
        {first, second, second},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CalloutAnchorKey::combine(c.current, c.next), c.combined);
    EXPECT_EQ(CalloutAnchorKey::defaultValue(), std::nullopt);
}

// The pane points at the program's switch (right end) when it is listed, else at the + button
// (left end), and lists the program's row only when it is there.
TEST(AccessibilityPaneIllustration, CalloutFollowsHighlight) {
    using Highlight = AccessibilityPaneIllustration::Highlight;
    AccessibilityPaneIllustration listed(Highlight::existingRow);
    AccessibilityPaneIllustration notListed(Highlight::plusButton);
    for (auto *pane : {&listed, &notListed})
        pane->resize(424, pane->sizeHint().height());
    ASSERT_TRUE(listed.calloutAnchor() && notListed.calloutAnchor());
    EXPECT_GT(listed.calloutAnchor()->center().x(), 424 * 0.8);
    EXPECT_LT(notListed.calloutAnchor()->center().x(), 424 * 0.2);
    EXPECT_GT(notListed.calloutAnchor()->top(), listed.calloutAnchor()->top()); // the button bar
    EXPECT_GT(listed.sizeHint().height(), notListed.sizeHint().height());
}

// The panel's items end at its right padding: the clock's last ink lies just inside it.
TEST(MenuBarIllustration, RightPadding) {
    MenuBarIllustration panel(32);
    panel.resize(424, panel.sizeHint().height());
    QImage image(panel.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    panel.render(&image);
    int inked = 0;
    for (int x = 0; x < image.width(); ++x)
        inked = qGray(image.pixel(x, 17)) < 160 ? x : inked; // the panel's middle row
    EXPECT_TRUE(inked >= 424 - 14 - 3 && inked < 424 - 14) << inked;
}

// The drag: hidden at first, fading in over the left window, gliding across, fading out where it
// landed (40 points inside the right window), and starting over every 2.3 s.
TEST(DragPhase, KeyframesAtChosenInstants) {
    const double landing = 140 + 12 + 40;
    const struct {
        double seconds, x, opacity;
    } cases[] = {
        {0, 0, 0},           {0.15, 9, 0}, {0.4, 24, 1},       {1.7, landing, 1},
        {2.0, landing, 0.5}, {2.3, 0, 0},  {2.3 + 0.4, 24, 1},
    };
    for (const auto &c : cases) {
        const DragPhase phase = dragPhaseAt(c.seconds, 140, 12);
        EXPECT_NEAR(phase.x, c.x, 1e-9) << c.seconds;
        EXPECT_NEAR(phase.opacity, c.opacity, 1e-9) << c.seconds;
    }
    EXPECT_EQ(dragPhaseAt(1.0, 140, 12).opacity, 1);

    // It only ever moves right, and never past where it lands.
    double previous = 0;
    for (double t = 0; t < 2.3; t += 0.01) {
        const double x = dragPhaseAt(t, 140, 12).x;
        EXPECT_GE(x, previous - 1e-9) << t;
        EXPECT_LE(x, landing + 1e-9) << t;
        previous = x;
    }
}

// The loop runs while the drawing is on screen and not at all once it is hidden.
TEST(DragToAccessibilityIllustration, LoopsOnlyWhileShown) {
    DragToAccessibilityIllustration drag;
    EXPECT_FALSE(drag.isAnimating());
    drag.show();
    EXPECT_TRUE(drag.isAnimating());
    drag.hide();
    EXPECT_FALSE(drag.isAnimating());
}

// A label wider than the key's minimum widens it to the label plus 4 points on each side; a
// short one keeps the minimum.
TEST(KeyCap, LongLabelWidensTheKey) {
    const struct {
        const char *label;
        KeyCapSize size;
    } wide[] = {
        {"esc", KeyCapSize{15, 20, 28}},
        {"⌃⌥⌘⇧F12", KeyCapSize::small()},
    };
    for (const auto &c : wide) {
        const KeyCap key(QString::fromUtf8(c.label), true, c.size);
        const double label = QFontMetricsF(key.font()).horizontalAdvance(key.label());
        ASSERT_GT(label, c.size.minWidth) << c.label;
        EXPECT_EQ(key.sizeHint().width(), qCeil(label + 8)) << c.label;
        EXPECT_GE(key.sizeHint().height(), c.size.height) << c.label;
    }
    EXPECT_EQ(KeyCap(QStringLiteral("V"), false).sizeHint(), QSize(28 + 8, 28));
}

// The button lights up while the pointer is over it, and only then. (Clicks are Qt's.)
TEST(GuideButton, Hover) {
    GuideButton button(QStringLiteral("Open Auto-Paste Help"),
                       QStringLiteral("arrow.up.forward.app"), true);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.isHovering());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.isHovering());
}

} // namespace
