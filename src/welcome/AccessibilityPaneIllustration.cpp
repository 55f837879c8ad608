#include "welcome/AccessibilityPaneIllustration.h"

#include "ui/UiStyle.h"
#include "welcome/CalloutAnchorKey.h"
#include "welcome/WelcomeStyle.h"

#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

constexpr double kPaneRadius = 8;
constexpr double kCalloutSpacing = 3;
constexpr double kCalloutWidth = 150;
constexpr double kSidePadding = 10;
constexpr double kBarPadding = 7;
constexpr double kListPadding = 11;
constexpr double kRowSpacing = 9;
constexpr double kRowItemSpacing = 8;
constexpr double kIconSide = 13;
constexpr QSizeF kSwitchSize(24, 14);
constexpr double kKnobSide = 10;
constexpr QSizeF kButtonSize(20, 16);
constexpr double kButtonSpacing = 6;
constexpr double kPreferredWidth = 424;
constexpr double kMinimumWidth = 240;

QFont titleFont() {
    return UiStyle::font(11, QFont::DemiBold);
}

QFont appFont() {
    return UiStyle::font(10, QFont::Medium);
}

// One row of the list: a placeholder with a name bar of some width, or the program's own row.
struct Row {
    QRectF bounds;
    QRectF icon;
    QRectF name;
    QRectF toggle;
    bool isApp = false;
};

} // namespace

struct AccessibilityPaneIllustration::Layout {
    QRectF pane;
    QRectF titleBar;
    double topDivider = 0;
    std::vector<Row> rows;
    double bottomDivider = 0;
    QRectF plus;
    QRectF minus;
    CalloutAnchorKey::Value anchor;
};

AccessibilityPaneIllustration::AccessibilityPaneIllustration(Highlight highlight,
                                                             double calloutHeight, QWidget *parent)
    : CalloutIllustration(calloutHeight, parent)
    , m_highlight(highlight) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void AccessibilityPaneIllustration::setHighlight(Highlight highlight) {
    m_highlight = highlight;
    updateGeometry(); // the program's row comes and goes
    update();
}

std::optional<QRectF> AccessibilityPaneIllustration::calloutAnchor() const {
    return layout().anchor;
}

QSize AccessibilityPaneIllustration::sizeHint() const {
    const Layout layout = this->layout();
    return {qCeil(kPreferredWidth),
            qCeil(layout.pane.height() + kCalloutSpacing + calloutHeight())};
}

QSize AccessibilityPaneIllustration::minimumSizeHint() const {
    return {qCeil(kMinimumWidth), sizeHint().height()};
}

AccessibilityPaneIllustration::Layout AccessibilityPaneIllustration::layout() const {
    Layout layout;
    const double width = std::max<double>(this->width(), kMinimumWidth);
    const double titleHeight = std::max(12.0, WelcomeStyle::lineHeight(titleFont()));
    layout.titleBar = QRectF(0, 0, width, titleHeight + 2 * kBarPadding);
    layout.topDivider = layout.titleBar.bottom();

    // Placeholder name bars of varied widths; the program's row (no bar), when listed, is second.
    std::vector<std::optional<double>> nameBars = {96, 124, 78};
    if (m_highlight == Highlight::existingRow)
        nameBars.insert(nameBars.begin() + 1, std::nullopt);
    const double rowHeight =
        std::max({kIconSide, kSwitchSize.height(), WelcomeStyle::lineHeight(appFont())});
    double y = layout.topDivider + 1 + kListPadding;
    for (const std::optional<double> &nameBar : nameBars) {
        Row row;
        row.isApp = !nameBar;
        row.bounds = QRectF(kSidePadding, y, width - 2 * kSidePadding, rowHeight);
        const double middle = row.bounds.center().y();
        row.icon = QRectF(row.bounds.left(), middle - kIconSide / 2, kIconSide, kIconSide);
        const double nameHeight = row.isApp ? WelcomeStyle::lineHeight(appFont()) : 7;
        const double nameLength =
            row.isApp ? WelcomeStyle::textWidth(appFont(), QStringLiteral("Tallowquill.app"))
                      : *nameBar;
        row.name = QRectF(row.icon.right() + kRowItemSpacing, middle - nameHeight / 2, nameLength,
                          nameHeight);
        row.toggle = QRectF(
            QPointF(row.bounds.right() - kSwitchSize.width(), middle - kSwitchSize.height() / 2),
            kSwitchSize);
        layout.rows.push_back(row);
        y += rowHeight + kRowSpacing;
    }
    layout.bottomDivider = y - kRowSpacing + kListPadding;

    const double barTop = layout.bottomDivider + 1;
    const double buttonTop = barTop + kBarPadding;
    layout.plus = QRectF(QPointF(kSidePadding, buttonTop), kButtonSize);
    layout.minus = QRectF(QPointF(layout.plus.right() + kButtonSpacing, buttonTop), kButtonSize);
    layout.pane = QRectF(0, 0, width, buttonTop + kButtonSize.height() + kBarPadding);

    // Every element publishes in order; only the program's switch and the highlighted + button
    // mark themselves, and the last of those wins.
    layout.anchor = CalloutAnchorKey::defaultValue();
    for (const Row &row : layout.rows)
        layout.anchor = CalloutAnchorKey::combine(
            layout.anchor, row.isApp ? CalloutAnchorKey::Value(row.toggle) : std::nullopt);
    layout.anchor = CalloutAnchorKey::combine(
        layout.anchor,
        m_highlight == Highlight::plusButton ? CalloutAnchorKey::Value(layout.plus) : std::nullopt);
    layout.anchor = CalloutAnchorKey::combine(layout.anchor, std::nullopt); // the − button
    return layout;
}

void AccessibilityPaneIllustration::paintEvent(QPaintEvent *) {
    using namespace UiStyle;
    using namespace WelcomeStyle;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Layout layout = this->layout();
    const QColor accentColour = accent();

    fillRoundedRect(painter, layout.pane, kPaneRadius, withOpacity(primary(), 0.05));

    const QRectF title =
        layout.titleBar.adjusted(kSidePadding, kBarPadding, -kSidePadding, -kBarPadding);
    drawSymbol(painter, QStringLiteral("figure.wave.circle.fill"),
               QPointF(title.left() + 6, title.center().y()), 12, secondary());
    drawText(painter, title.adjusted(12 + 6, 0, 0, 0), QStringLiteral("Accessibility"), titleFont(),
             secondary());

    const QColor divider = withOpacity(primary(), 0.1);
    painter.fillRect(QRectF(0, layout.topDivider, layout.pane.width(), 1), divider);
    painter.fillRect(QRectF(0, layout.bottomDivider, layout.pane.width(), 1), divider);

    for (const Row &row : layout.rows) {
        const QRectF knob(row.toggle.left() + 2, row.toggle.center().y() - kKnobSide / 2, kKnobSide,
                          kKnobSide);
        if (row.isApp) {
            drawSymbol(painter, QStringLiteral("doc.on.clipboard"), row.icon.center(), 10,
                       accentColour);
            drawText(painter, row.name.adjusted(0, 0, 1, 0), QStringLiteral("Tallowquill.app"),
                     appFont(), primary());
            fillCapsule(painter, row.toggle, withOpacity(accentColour, 0.25));
            painter.setPen(Qt::NoPen);
            painter.setBrush(accentColour);
            painter.drawEllipse(knob);
            strokeRoundedRect(painter, row.toggle, row.toggle.height() / 2,
                              withOpacity(accentColour, 0.6));
        } else {
            fillRoundedRect(painter, row.icon, 3, withOpacity(primary(), 0.15));
            fillCapsule(painter, row.name, withOpacity(primary(), 0.13));
            fillCapsule(painter, row.toggle, withOpacity(primary(), 0.13));
            painter.setPen(Qt::NoPen);
            painter.setBrush(withOpacity(primary(), 0.3));
            painter.drawEllipse(knob);
        }
    }

    const bool plusHighlighted = m_highlight == Highlight::plusButton;
    for (const auto &[button, name, highlighted] :
         {std::tuple(layout.plus, QStringLiteral("plus"), plusHighlighted),
          std::tuple(layout.minus, QStringLiteral("minus"), false)}) {
        if (highlighted) {
            fillRoundedRect(painter, button, 4, withOpacity(accentColour, 0.18));
            strokeRoundedRect(painter, button, 4, withOpacity(accentColour, 0.55));
        } else {
            fillRoundedRect(painter, button, 4, withOpacity(primary(), 0.06));
        }
        drawSymbol(painter, name, button.center(), 9, highlighted ? accentColour : secondary());
    }

    strokeRoundedRect(painter, layout.pane, kPaneRadius, withOpacity(primary(), 0.08));

    if (layout.anchor)
        paintCallout(painter, *layout.anchor, height() - calloutHeight() / 2, kCalloutWidth,
                     m_highlight == Highlight::existingRow ? QStringLiteral("switch this on")
                                                           : QStringLiteral("click this"),
                     rect());
}
