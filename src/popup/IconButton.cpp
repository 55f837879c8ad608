#include "popup/IconButton.h"

#include "ui/UiStyle.h"

#include <QPainter>

namespace {
// Larger than the symbol so that it is easy to hit.
constexpr int kHitSize = 16;
} // namespace

IconButton::IconButton(const QString &symbol, int points, const QColor &colour, QWidget *parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_points(points)
    , m_colour(colour) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(kHitSize, kHitSize);
}

QSize IconButton::sizeHint() const {
    return {kHitSize, kHitSize};
}

void IconButton::setColour(const QColor &colour) {
    m_colour = colour;
    update();
}

void IconButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const QPixmap pixmap = UiStyle::symbol(m_symbol, m_points, m_colour, devicePixelRatioF());
    const QPointF corner((width() - m_points) / 2.0, (height() - m_points) / 2.0);
    painter.drawPixmap(corner, pixmap);
}
