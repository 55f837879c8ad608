#include "welcome/WelcomeStyle.h"

#include "ui/UiStyle.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace WelcomeStyle {

namespace {

// Symbol names and the drawings (in the resources' icons/ folder) that stand for them.
struct SymbolFile {
    QLatin1StringView name;
    QLatin1StringView file;
};
constexpr SymbolFile kSymbols[] = {
    {QLatin1StringView("doc.on.clipboard"), QLatin1StringView("clipboard")},
    {QLatin1StringView("arrowtriangle.up.fill"), QLatin1StringView("triangle-up")},
    {QLatin1StringView("battery.75"), QLatin1StringView("battery")},
    {QLatin1StringView("wifi"), QLatin1StringView("wifi")},
    {QLatin1StringView("magnifyingglass"), QLatin1StringView("magnifier")},
    {QLatin1StringView("switch.2"), QLatin1StringView("toggles")},
    {QLatin1StringView("figure.wave.circle.fill"), QLatin1StringView("person-waving")},
    {QLatin1StringView("plus"), QLatin1StringView("plus")},
    {QLatin1StringView("minus"), QLatin1StringView("minus")},
    {QLatin1StringView("arrow.up"), QLatin1StringView("arrow-up")},
    {QLatin1StringView("arrow.down"), QLatin1StringView("arrow-down")},
    {QLatin1StringView("arrow.up.forward.app"), QLatin1StringView("arrow-out-of-box")},
    {QLatin1StringView("folder"), QLatin1StringView("folder")},
    {QLatin1StringView("gearshape"), QLatin1StringView("gear")},
    {QLatin1StringView("trash"), QLatin1StringView("trash")},
    {QLatin1StringView("book"), QLatin1StringView("book")},
    {QLatin1StringView("power"), QLatin1StringView("power")},
    {QLatin1StringView("checkmark.circle.fill"), QLatin1StringView("check-circle")},
    {QLatin1StringView("exclamationmark.circle.fill"), QLatin1StringView("exclamation-circle")},
};

QLatin1StringView fileFor(const QString &name) {
    const auto *found = std::find_if(std::begin(kSymbols), std::end(kSymbols),
                                     [&](const SymbolFile &entry) { return entry.name == name; });
    return found == std::end(kSymbols) ? QLatin1StringView() : found->file;
}

// How far along each edge a continuous corner begins, in radii, and where its curve's inner
// control points sit; chosen so the corner's middle lies as deep as a circular one's.
constexpr double kCornerReach = 1.528;
constexpr double kCornerControl = 0.29;

} // namespace

QColor textBackground() {
    return QApplication::palette().color(QPalette::Active, QPalette::Base);
}

QColor mix(const QColor &from, const QColor &to, double t) {
    const auto lerp = [t](double a, double b) { return a + (b - a) * t; };
    const double alpha = lerp(from.alphaF(), to.alphaF());
    if (alpha <= 0)
        return QColor(0, 0, 0, 0);
    const auto channel = [&](double a, double b) {
        return std::clamp(lerp(a * from.alphaF(), b * to.alphaF()) / alpha, 0.0, 1.0);
    };
    return QColor::fromRgbF(static_cast<float>(channel(from.redF(), to.redF())),
                            static_cast<float>(channel(from.greenF(), to.greenF())),
                            static_cast<float>(channel(from.blueF(), to.blueF())),
                            static_cast<float>(alpha));
}

bool hasSymbol(const QString &name) {
    return !fileFor(name).isEmpty();
}

QStringList symbolNames() {
    QStringList names;
    for (const SymbolFile &entry : kSymbols)
        names.append(QString(entry.name));
    return names;
}

void drawSymbol(QPainter &painter, const QString &name, QPointF centre, int points,
                const QColor &colour) {
    const QLatin1StringView file = fileFor(name);
    Q_ASSERT_X(!file.isEmpty(), "WelcomeStyle::drawSymbol", qPrintable(name));
    if (file.isEmpty())
        return;
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QPixmap pixmap = UiStyle::symbol(QString(file), points, colour, ratio);
    // On whole device pixels, so thin strokes stay crisp.
    const QPointF corner(std::round((centre.x() - points / 2.0) * ratio) / ratio,
                         std::round((centre.y() - points / 2.0) * ratio) / ratio);
    painter.drawPixmap(corner, pixmap);
}

QPainterPath roundedRect(const QRectF &rect, double radius) {
    QPainterPath path;
    const double half = std::min(rect.width(), rect.height()) / 2;
    if (radius <= 0) {
        path.addRect(rect);
        return path;
    }
    if (radius * kCornerReach > half) {
        const double r = std::min(radius, half);
        path.addRoundedRect(rect, r, r);
        return path;
    }
    const double a = radius * kCornerReach;
    const double b = radius * kCornerControl;
    const double l = rect.left(), t = rect.top(), r = rect.right(), bo = rect.bottom();
    path.moveTo(l + a, t);
    path.lineTo(r - a, t);
    path.cubicTo(r - b, t, r, t + b, r, t + a);
    path.lineTo(r, bo - a);
    path.cubicTo(r, bo - b, r - b, bo, r - a, bo);
    path.lineTo(l + a, bo);
    path.cubicTo(l + b, bo, l, bo - b, l, bo - a);
    path.lineTo(l, t + a);
    path.cubicTo(l, t + b, l + b, t, l + a, t);
    path.closeSubpath();
    return path;
}

void fillRoundedRect(QPainter &painter, const QRectF &rect, double radius, const QColor &colour) {
    painter.fillPath(roundedRect(rect, radius), colour);
}

void strokeRoundedRect(QPainter &painter, const QRectF &rect, double radius, const QColor &colour,
                       double width) {
    const double inset = width / 2;
    painter.strokePath(roundedRect(rect.adjusted(inset, inset, -inset, -inset), radius - inset),
                       QPen(colour, width));
}

void fillCapsule(QPainter &painter, const QRectF &rect, const QColor &colour) {
    fillRoundedRect(painter, rect, rect.height() / 2, colour);
}

double textWidth(const QFont &font, const QString &text) {
    return QFontMetricsF(font).horizontalAdvance(text);
}

double lineHeight(const QFont &font) {
    return QFontMetricsF(font).height();
}

void drawText(QPainter &painter, const QRectF &rect, const QString &text, const QFont &font,
              const QColor &colour, Qt::Alignment alignment) {
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(rect, static_cast<int>(alignment | Qt::AlignVCenter | Qt::TextSingleLine),
                     metrics.elidedText(text, Qt::ElideRight, rect.width() + 0.5));
}

} // namespace WelcomeStyle
