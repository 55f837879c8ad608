#include "welcome/DragToAccessibilityIllustration.h"

#include "ui/UiStyle.h"
#include "welcome/WelcomeStyle.h"

#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

// The two tracks of the loop, in seconds.
constexpr double kApproachSeconds = 0.4; // x: 0 → 24, linear
constexpr double kApproachX = 24;
constexpr double kGlideSeconds = 1.3;   // x: → landing, eased
constexpr double kHiddenSeconds = 0.15; // opacity: 0
constexpr double kFadeInSeconds = 0.25; // opacity: → 1
constexpr double kFadeOutSeconds = 0.6; // opacity: → 0 while x holds
constexpr double kLandingInset = 40;

constexpr double kIconTop = 42;
constexpr int kIconPoints = 13;
constexpr double kIconPadding = 4;

constexpr double kWindowRadius = 7;
constexpr double kCaptionSpacing = 5;
constexpr double kPreferredWidth = 424;
constexpr double kMinimumRightWidth = 160;

QFont titleFont() {
    return UiStyle::font(9, QFont::DemiBold);
}

QFont appFont() {
    return UiStyle::font(9, QFont::Medium);
}

QFont captionFont() {
    return UiStyle::font(11, QFont::Medium);
}

double titleBarHeight() {
    return 5 + std::max(6.0, WelcomeStyle::lineHeight(titleFont())) + 5;
}

double leftRowHeight() {
    return 3 + std::max(11.0, WelcomeStyle::lineHeight(appFont())) + 3;
}

constexpr double kRightRowHeight = 12;

// A mock window's frame: fill, title bar with its three dots and title, divider. The border is
// drawn last, over the content, by strokeWindow.
void paintWindow(QPainter &painter, const QRectF &window, const QString &title) {
    using namespace UiStyle;
    using namespace WelcomeStyle;
    const QPainterPath shape = roundedRect(window, kWindowRadius);
    painter.fillPath(shape, withOpacity(primary(), 0.04));
    const QRectF bar(window.topLeft(), QSizeF(window.width(), titleBarHeight()));
    QPainterPath barShape;
    barShape.addRect(bar);
    painter.fillPath(shape.intersected(barShape), withOpacity(primary(), 0.05));
    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(primary(), 0.18));
    double dotsEnd = bar.left() + 7;
    for (int dot = 0; dot < 3; ++dot, dotsEnd += 6 + 4)
        painter.drawEllipse(QRectF(dotsEnd, bar.center().y() - 3, 6, 6));
    dotsEnd -= 4;
    // The title centred between the dots and the right edge, with two equal spaces of at least 4
    // beside it and 4 between neighbours.
    const double titleLeft = dotsEnd + 4 + 4 + 4;
    const double titleRight = bar.right() - 7 - 4 - 4;
    const QRectF titleSpace(titleLeft, bar.top(), titleRight - titleLeft, bar.height());
    drawText(painter, titleSpace, title, titleFont(), secondary(), Qt::AlignHCenter);
    painter.fillRect(QRectF(window.left(), bar.bottom(), window.width(), 1),
                     withOpacity(primary(), 0.1));
}

void strokeWindow(QPainter &painter, const QRectF &window) {
    WelcomeStyle::strokeRoundedRect(painter, window, kWindowRadius,
                                    UiStyle::withOpacity(UiStyle::primary(), 0.1));
}

// A placeholder row's square icon and name bar, starting at `left`.
void paintPlaceholder(QPainter &painter, double left, double middle, double nameWidth) {
    using namespace UiStyle;
    using namespace WelcomeStyle;
    fillRoundedRect(painter, QRectF(left, middle - 5.5, 11, 11), 2, withOpacity(primary(), 0.13));
    fillCapsule(painter, QRectF(left + 11 + 6, middle - 3, nameWidth, 6),
                withOpacity(primary(), 0.12));
}

} // namespace

DragPhase dragPhaseAt(double secondsIntoCycle, double finderWidth, double gap) {
    double t = std::fmod(secondsIntoCycle, kDragCycleSeconds);
    if (t < 0)
        t += kDragCycleSeconds;
    const double landing = finderWidth + gap + kLandingInset;
    const double glideEnd = kApproachSeconds + kGlideSeconds;

    DragPhase phase;
    if (t < kApproachSeconds) {
        phase.x = kApproachX * t / kApproachSeconds;
    } else if (t < glideEnd) {
        // A cubic that leaves at the approach's speed and comes to rest on the landing spot, so
        // the motion has no jolt at either end.
        const double s = (t - kApproachSeconds) / kGlideSeconds;
        const double startSlope = kApproachX / kApproachSeconds * kGlideSeconds;
        const double s2 = s * s, s3 = s2 * s;
        phase.x = (2 * s3 - 3 * s2 + 1) * kApproachX + (s3 - 2 * s2 + s) * startSlope +
                  (-2 * s3 + 3 * s2) * landing;
    } else {
        phase.x = landing;
    }

    const double fadeInEnd = kHiddenSeconds + kFadeInSeconds;
    if (t < kHiddenSeconds)
        phase.opacity = 0;
    else if (t < fadeInEnd)
        phase.opacity = (t - kHiddenSeconds) / kFadeInSeconds;
    else if (t < glideEnd)
        phase.opacity = 1;
    else
        phase.opacity = std::max(0.0, 1 - (t - glideEnd) / kFadeOutSeconds);
    return phase;
}

struct DragToAccessibilityIllustration::Layout {
    QRectF left;
    QRectF right;
    QRectF caption;
};

DragToAccessibilityIllustration::DragToAccessibilityIllustration(double finderWidth, double gap,
                                                                 QWidget *parent)
    : QWidget(parent)
    , m_finderWidth(finderWidth)
    , m_gap(gap) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_loop.setStartValue(0.0);
    m_loop.setEndValue(kDragCycleSeconds);
    m_loop.setDuration(qRound(kDragCycleSeconds * 1000));
    m_loop.setLoopCount(-1);
    connect(&m_loop, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

DragPhase DragToAccessibilityIllustration::phase() const {
    const double seconds = m_held ? *m_held : m_loop.currentLoopTime() / 1000.0;
    return dragPhaseAt(seconds, m_finderWidth, m_gap);
}

void DragToAccessibilityIllustration::holdAt(double secondsIntoCycle) {
    m_loop.stop();
    m_held = secondsIntoCycle;
    update();
}

void DragToAccessibilityIllustration::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // Each time it comes into view the loop starts over, icon hidden.
    m_held.reset();
    m_loop.stop();
    m_loop.start();
}

void DragToAccessibilityIllustration::hideEvent(QHideEvent *event) {
    // Out of view, nothing ticks.
    m_loop.stop();
    QWidget::hideEvent(event);
}

QSize DragToAccessibilityIllustration::sizeHint() const {
    const Layout layout = this->layout();
    return {qCeil(std::max(kPreferredWidth, m_finderWidth + m_gap + kMinimumRightWidth)),
            qCeil(layout.caption.bottom())};
}

QSize DragToAccessibilityIllustration::minimumSizeHint() const {
    return {qCeil(m_finderWidth + m_gap + kMinimumRightWidth), sizeHint().height()};
}

DragToAccessibilityIllustration::Layout DragToAccessibilityIllustration::layout() const {
    Layout layout;
    const double width =
        std::max<double>(this->width(), m_finderWidth + m_gap + kMinimumRightWidth);
    const double top = titleBarHeight() + 1;
    const double leftContent = 9 + 3 * leftRowHeight() + 2 * 7 + 9;
    const double rightContent = 9 + 3 * kRightRowHeight + 2 * 8 + 9;
    layout.left = QRectF(0, 0, m_finderWidth, top + leftContent);
    const double rightLeft = m_finderWidth + m_gap;
    layout.right = QRectF(rightLeft, 0, width - rightLeft, top + rightContent);
    const double scene = std::max(layout.left.bottom(), layout.right.bottom());
    layout.caption =
        QRectF(0, scene + kCaptionSpacing, width, WelcomeStyle::lineHeight(captionFont()));
    return layout;
}

void DragToAccessibilityIllustration::paintEvent(QPaintEvent *) {
    using namespace UiStyle;
    using namespace WelcomeStyle;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Layout layout = this->layout();
    const QColor accentColour = accent();
    const double contentTop = titleBarHeight() + 1;

    // Applications: the program selected, two other entries.
    paintWindow(painter, layout.left, QStringLiteral("Applications"));
    double y = contentTop + 9;
    const double rowWidth = layout.left.width() - 2 * 8;
    for (int row = 0; row < 3; ++row, y += leftRowHeight() + 7) {
        const QRectF bounds(layout.left.left() + 8, y, rowWidth, leftRowHeight());
        const double iconLeft = bounds.left() + 4;
        if (row == 0) {
            fillRoundedRect(painter, bounds, 4, withOpacity(accentColour, 0.14));
            drawSymbol(painter, QStringLiteral("doc.on.clipboard"),
                       QPointF(iconLeft + 5.5, bounds.center().y()), 9, accentColour);
            drawText(painter,
                     QRectF(iconLeft + 11 + 6, bounds.top(), bounds.right() - 4 - iconLeft - 17,
                            bounds.height()),
                     QStringLiteral("Tallowquill"), appFont(), accentColour);
        } else {
            paintPlaceholder(painter, iconLeft, bounds.center().y(), 56);
        }
    }
    strokeWindow(painter, layout.left);

    // Accessibility: a dashed drop zone behind three entries, each with its switch off.
    paintWindow(painter, layout.right, QStringLiteral("Accessibility"));
    const QRectF content(layout.right.left(), contentTop, layout.right.width(),
                         layout.right.bottom() - contentTop);
    const QRectF zone = content.adjusted(3 + 0.75, 3 + 0.75, -3 - 0.75, -3 - 0.75);
    QPen dashes(withOpacity(accentColour, 0.7), 1.5);
    dashes.setDashPattern({4 / 1.5, 3 / 1.5}); // in line widths
    painter.strokePath(roundedRect(zone, 6 - 0.75), dashes);
    y = contentTop + 9;
    for (const double nameWidth : {70.0, 92.0, 58.0}) {
        const double middle = y + kRightRowHeight / 2;
        paintPlaceholder(painter, content.left() + 8, middle, nameWidth);
        const QRectF toggle(content.right() - 8 - 20, middle - 6, 20, 12);
        fillCapsule(painter, toggle, withOpacity(primary(), 0.13));
        painter.setPen(Qt::NoPen);
        painter.setBrush(withOpacity(primary(), 0.28));
        painter.drawEllipse(QRectF(toggle.left() + 2, middle - 4, 8, 8));
        y += kRightRowHeight + 8;
    }
    strokeWindow(painter, layout.right);

    drawText(painter, layout.caption, QStringLiteral("drag it across"), captionFont(), accentColour,
             Qt::AlignHCenter);

    const DragPhase now = phase();
    if (now.opacity > 0) {
        const double side = kIconPoints + 2 * kIconPadding;
        const QRectF icon(now.x, kIconTop, side, side);
        painter.setOpacity(now.opacity);
        // On the guide's own background first: the tile hides what it passes over.
        fillRoundedRect(painter, icon, 5, palette().color(QPalette::Window));
        fillRoundedRect(painter, icon, 5, withOpacity(accentColour, 0.18));
        drawSymbol(painter, QStringLiteral("doc.on.clipboard"), icon.center(), kIconPoints,
                   accentColour);
    }
}
