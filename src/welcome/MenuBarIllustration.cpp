#include "welcome/MenuBarIllustration.h"

#include "ui/UiStyle.h"
#include "welcome/CalloutAnchorKey.h"
#include "welcome/WelcomeStyle.h"

#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <vector>

namespace {

constexpr double kBarHeight = 34;
constexpr double kBarPadding = 14;
constexpr double kItemSpacing = 13;
constexpr double kCalloutSpacing = 4;
constexpr double kCalloutWidth = 170;
constexpr int kIconPoints = 14;
constexpr double kIconPadding = 5;
constexpr int kStatusPoints = 13;
constexpr double kTextPoints = 12;
constexpr double kBatterySpacing = 4;
constexpr double kPreferredWidth = 424;

const QString kBatteryText = QStringLiteral("86%");
const QString kClockText = QStringLiteral("Tue Sep 1  9:41 AM");

QFont statusFont() {
    return UiStyle::font(kTextPoints);
}

// The status items right of the program's icon, left to right.
std::vector<QString> statusSymbols() {
    return {QStringLiteral("wifi"), QStringLiteral("magnifyingglass"), QStringLiteral("switch.2")};
}

double contentWidth() {
    const QFont font = statusFont();
    const double icon = kIconPoints + 2 * kIconPadding;
    const double battery =
        WelcomeStyle::textWidth(font, kBatteryText) + kBatterySpacing + kStatusPoints;
    const double symbols = static_cast<double>(statusSymbols().size()) * kStatusPoints;
    // Between the icon, the battery, each symbol and the clock.
    const double gaps = 2.0 + static_cast<double>(statusSymbols().size());
    return icon + battery + symbols + WelcomeStyle::textWidth(font, kClockText) +
           gaps * kItemSpacing;
}

} // namespace

struct MenuBarIllustration::Layout {
    QRectF bar;
    QRectF icon;
    QRectF batteryText;
    QRectF batterySymbol;
    std::vector<QRectF> symbols;
    QRectF clock;
    CalloutAnchorKey::Value anchor;
};

MenuBarIllustration::MenuBarIllustration(double calloutHeight, QWidget *parent)
    : CalloutIllustration(calloutHeight, parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize MenuBarIllustration::sizeHint() const {
    return {qCeil(std::max(kPreferredWidth, contentWidth() + 2 * kBarPadding)),
            qCeil(kBarHeight + kCalloutSpacing + calloutHeight())};
}

QSize MenuBarIllustration::minimumSizeHint() const {
    return {qCeil(contentWidth() + 2 * kBarPadding), sizeHint().height()};
}

std::optional<QRectF> MenuBarIllustration::calloutAnchor() const {
    return layout().anchor;
}

MenuBarIllustration::Layout MenuBarIllustration::layout() const {
    Layout layout;
    layout.bar = QRectF(0, 0, width(), kBarHeight);
    const double middle = layout.bar.center().y();
    const QFont font = statusFont();
    const double textHeight = WelcomeStyle::lineHeight(font);
    const auto square = [middle](double left, double side) {
        return QRectF(left, middle - side / 2, side, side);
    };
    // A flexible space comes first: everything sits at the panel's right end, the clock ending
    // at the padding.
    double x = layout.bar.right() - kBarPadding - contentWidth();
    layout.icon = square(x, kIconPoints + 2 * kIconPadding);
    x = layout.icon.right() + kItemSpacing;
    layout.batteryText =
        QRectF(x, middle - textHeight / 2, WelcomeStyle::textWidth(font, kBatteryText), textHeight);
    layout.batterySymbol = square(layout.batteryText.right() + kBatterySpacing, kStatusPoints);
    x = layout.batterySymbol.right() + kItemSpacing;
    for (std::size_t i = 0; i < statusSymbols().size(); ++i) {
        layout.symbols.push_back(square(x, kStatusPoints));
        x += kStatusPoints + kItemSpacing;
    }
    layout.clock =
        QRectF(x, middle - textHeight / 2, WelcomeStyle::textWidth(font, kClockText), textHeight);

    // Only the program's icon marks itself.
    layout.anchor = CalloutAnchorKey::defaultValue();
    for (const CalloutAnchorKey::Value published :
         {CalloutAnchorKey::Value(layout.icon), CalloutAnchorKey::Value()})
        layout.anchor = CalloutAnchorKey::combine(layout.anchor, published);
    return layout;
}

void MenuBarIllustration::paintEvent(QPaintEvent *) {
    using namespace UiStyle;
    using namespace WelcomeStyle;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Layout layout = this->layout();

    fillRoundedRect(painter, layout.bar, 8, withOpacity(primary(), 0.06));
    strokeRoundedRect(painter, layout.bar, 8, withOpacity(primary(), 0.08));

    fillRoundedRect(painter, layout.icon, 5, withOpacity(accent(), 0.18));
    drawSymbol(painter, QStringLiteral("doc.on.clipboard"), layout.icon.center(), kIconPoints,
               accent());

    const QColor ink = secondary();
    const QFont font = statusFont();
    drawText(painter, layout.batteryText.adjusted(0, 0, 1, 0), kBatteryText, font, ink);
    drawSymbol(painter, QStringLiteral("battery.75"), layout.batterySymbol.center(), kStatusPoints,
               ink);
    const std::vector<QString> symbols = statusSymbols();
    for (std::size_t i = 0; i < symbols.size(); ++i)
        drawSymbol(painter, symbols[i], layout.symbols[i].center(), kStatusPoints, ink);
    drawText(painter, layout.clock.adjusted(0, 0, 1, 0), kClockText, font, ink);

    if (layout.anchor)
        paintCallout(painter, *layout.anchor, height() - calloutHeight() / 2, kCalloutWidth,
                     QStringLiteral("that's Tallowquill"), rect());
}
