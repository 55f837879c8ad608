#include "welcome/AccessibilityPaneIllustration.h"
#include "welcome/CalloutAnchorKey.h"
#include "welcome/DragToAccessibilityIllustration.h"
#include "welcome/MenuBarIllustration.h"

#include <QImage>

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

// The drag only ever moves right, and never past where it lands (40 points inside the right
// window): it does not jump back mid-glide.
TEST(DragPhase, GlidesOneWay) {
    const double landing = 140 + 12 + 40;
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

} // namespace
