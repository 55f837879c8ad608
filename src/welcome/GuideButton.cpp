#include "welcome/GuideButton.h"

#include "ui/UiStyle.h"
#include "welcome/WelcomeStyle.h"

#include <QEnterEvent>
#include <QPainter>
#include <QtMath>

#include <algorithm>

namespace {

constexpr double kFontPoints = 13;
constexpr int kSymbolPoints = 16;
constexpr double kSymbolSpacing = 6;
constexpr double kVerticalPadding = 9;
constexpr double kHorizontalPadding = 14;
constexpr double kRadius = 8;
constexpr int kHoverMilliseconds = 120;
constexpr int kProminenceMilliseconds = 180;

double lerp(double from, double to, double t) {
    return from + (to - from) * t;
}

// The standard ease-out timing: quick to start, settling gently.
QEasingCurve easeOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

} // namespace

GuideButton::GuideButton(const QString &title, const QString &symbol, bool prominent,
                         QWidget *parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_prominent(prominent)
    , m_prominence(prominent ? 1 : 0) {
    Q_ASSERT(WelcomeStyle::hasSymbol(symbol));
    setText(title);
    setFont(UiStyle::font(kFontPoints, QFont::Medium));
    // Qt shows it while the pointer is over the button and restores the previous one on leaving.
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    for (QVariantAnimation *animation : {&m_hoverFade, &m_prominenceFade})
        animation->setEasingCurve(easeOut());
    connect(&m_hoverFade, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_hoverAmount = value.toDouble();
        update();
    });
    connect(&m_prominenceFade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) {
                m_prominence = value.toDouble();
                update();
            });
}

void GuideButton::setSymbol(const QString &symbol) {
    Q_ASSERT(WelcomeStyle::hasSymbol(symbol));
    m_symbol = symbol;
    update();
}

void GuideButton::setProminent(bool prominent) {
    if (prominent == m_prominent)
        return;
    m_prominent = prominent;
    fade(m_prominenceFade, m_prominence, prominent ? 1 : 0, kProminenceMilliseconds);
}

void GuideButton::setHovering(bool hovering) {
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    fade(m_hoverFade, m_hoverAmount, hovering ? 1 : 0, kHoverMilliseconds);
}

void GuideButton::fade(QVariantAnimation &animation, double &value, double target,
                       int milliseconds) {
    animation.stop();
    if (!isVisible()) {
        // Nobody is watching: take the new look at once.
        value = target;
        update();
        return;
    }
    animation.setDuration(milliseconds);
    animation.setStartValue(value);
    animation.setEndValue(target);
    animation.start();
}

void GuideButton::enterEvent(QEnterEvent *event) {
    setHovering(true);
    QAbstractButton::enterEvent(event);
}

void GuideButton::leaveEvent(QEvent *event) {
    setHovering(false);
    QAbstractButton::leaveEvent(event);
}

QSize GuideButton::sizeHint() const {
    const double content = kSymbolPoints + kSymbolSpacing + WelcomeStyle::textWidth(font(), text());
    return {qCeil(content + 2 * kHorizontalPadding), minimumSizeHint().height()};
}

QSize GuideButton::minimumSizeHint() const {
    const double line = std::max<double>(kSymbolPoints, WelcomeStyle::lineHeight(font()));
    return {qCeil(kSymbolPoints + 2 * kHorizontalPadding), qCeil(line + 2 * kVerticalPadding)};
}

void GuideButton::paintEvent(QPaintEvent *) {
    using namespace UiStyle;
    using namespace WelcomeStyle;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    else if (isDown())
        painter.setOpacity(0.75);

    const double hover = m_hoverAmount;
    const double prominence = m_prominence;
    const QColor plainFill = withOpacity(primary(), lerp(0.06, 0.11, hover));
    const QColor prominentFill = withOpacity(accent(), lerp(1.0, 0.85, hover));
    const QColor plainBorder = withOpacity(primary(), lerp(0.13, 0.22, hover));
    const QColor ink = mix(primary(), Qt::white, prominence);

    const QRectF shape = rect();
    fillRoundedRect(painter, shape, kRadius, mix(plainFill, prominentFill, prominence));
    strokeRoundedRect(painter, shape, kRadius, mix(plainBorder, QColor(0, 0, 0, 0), prominence));
    if (hasFocus())
        strokeRoundedRect(painter, shape, kRadius, withOpacity(accent(), 0.6), 2);

    const double available =
        shape.width() - 2 * kHorizontalPadding - kSymbolPoints - kSymbolSpacing;
    const double titleWidth = std::min(available, textWidth(font(), text()));
    const double left = shape.center().x() - (kSymbolPoints + kSymbolSpacing + titleWidth) / 2;
    drawSymbol(painter, m_symbol, QPointF(left + kSymbolPoints / 2.0, shape.center().y()),
               kSymbolPoints, ink);
    drawText(
        painter,
        QRectF(left + kSymbolPoints + kSymbolSpacing, shape.top(), titleWidth + 1, shape.height()),
        text(), font(), ink);
}
