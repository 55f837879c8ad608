#include "welcome/KeyCap.h"

#include "ui/UiStyle.h"
#include "welcome/WelcomeStyle.h"

#include <QPainter>
#include <QtMath>

#include <algorithm>

namespace {
constexpr double kPadding = 4;
constexpr double kRadius = 6;
} // namespace

KeyCap::KeyCap(const QString &label, bool emphasized, KeyCapSize size, QWidget *parent)
    : QWidget(parent)
    , m_label(label)
    , m_emphasized(emphasized)
    , m_size(size) {
    setFont(UiStyle::font(size.fontSize, QFont::Medium));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void KeyCap::setLabel(const QString &label) {
    if (label == m_label)
        return;
    m_label = label;
    updateGeometry();
    update();
}

void KeyCap::setEmphasized(bool emphasized) {
    m_emphasized = emphasized;
    update();
}

QSize KeyCap::sizeHint() const {
    const double width = std::max(m_size.minWidth, WelcomeStyle::textWidth(font(), m_label));
    const double height = std::max(m_size.height, WelcomeStyle::lineHeight(font()));
    return {qCeil(width + 2 * kPadding), qCeil(height)};
}

void KeyCap::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF key = rect();
    WelcomeStyle::fillRoundedRect(
        painter, key, kRadius,
        UiStyle::withOpacity(WelcomeStyle::textBackground(), m_emphasized ? 1.0 : 0.55));
    WelcomeStyle::strokeRoundedRect(painter, key, kRadius,
                                    m_emphasized ? UiStyle::withOpacity(UiStyle::accent(), 0.45)
                                                 : UiStyle::withOpacity(UiStyle::primary(), 0.12));
    const QColor ink = m_emphasized ? UiStyle::accent() : UiStyle::secondary();
    WelcomeStyle::drawText(painter, key.adjusted(kPadding, 0, -kPadding, 0), m_label, font(), ink,
                           Qt::AlignHCenter);
}
