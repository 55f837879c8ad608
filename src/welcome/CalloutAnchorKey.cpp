#include "welcome/CalloutAnchorKey.h"

#include "ui/UiStyle.h"
#include "welcome/WelcomeStyle.h"

#include <QPainter>

#include <algorithm>

namespace {
constexpr int kArrowPoints = 8;
constexpr double kTextPoints = 11;
constexpr double kSpacing = 1;
} // namespace

void paintCallout(QPainter &painter, const QRectF &anchor, double middleY, double frameWidth,
                  const QString &text, const QRectF &bounds) {
    const QFont font = UiStyle::font(kTextPoints, QFont::Medium);
    const double textHeight = WelcomeStyle::lineHeight(font);
    const double top = middleY - (kArrowPoints + kSpacing + textHeight) / 2;
    const double centreX = anchor.center().x();
    const QColor accent = UiStyle::accent();
    WelcomeStyle::drawSymbol(painter, QStringLiteral("arrowtriangle.up.fill"),
                             QPointF(centreX, top + kArrowPoints / 2.0), kArrowPoints, accent);
    const double textWidth = std::min(frameWidth, WelcomeStyle::textWidth(font, text) + 1);
    const double textCentre =
        std::clamp(centreX, bounds.left() + textWidth / 2, bounds.right() - textWidth / 2);
    const QRectF frame(textCentre - textWidth / 2, top + kArrowPoints + kSpacing, textWidth,
                       textHeight);
    WelcomeStyle::drawText(painter, frame, text, font, accent, Qt::AlignHCenter);
}
