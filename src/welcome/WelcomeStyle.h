#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// What only the guide draws with, beside the shared look of ui/UiStyle.h: its own colours, its
// symbols by name, and the rounded shapes and text its drawings are made of, in points
// (device-independent pixels).
namespace WelcomeStyle {

// The colour text fields are filled with: light in a light theme, dark in a dark one.
QColor textBackground();
// From `from` (t = 0) to `to` (t = 1), blended with premultiplied alpha, so that a fade to or
// from a clear colour keeps its hue.
QColor mix(const QColor &from, const QColor &to, double t);

// Symbols by the names the guide uses: "doc.on.clipboard", "arrowtriangle.up.fill", "battery.75",
// "wifi", "magnifyingglass", "switch.2", "figure.wave.circle.fill", "plus", "minus", "arrow.up",
// "arrow.down", "arrow.up.forward.app", "folder", "gearshape", "trash", "book", "power",
// "checkmark.circle.fill", "exclamationmark.circle.fill".
bool hasSymbol(const QString &name);
QStringList symbolNames();
// The symbol fitted into a square of `points`, painted in `colour`, centred on `centre`, sharp on
// the painter's device.
void drawSymbol(QPainter &painter, const QString &name, QPointF centre, int points,
                const QColor &colour);

// A rounded rectangle with continuous corners: each edge eases into its corner instead of
// meeting a circular arc. Where the radius leaves no room for that (a capsule), the corners are
// circular.
QPainterPath roundedRect(const QRectF &rect, double radius);
void fillRoundedRect(QPainter &painter, const QRectF &rect, double radius, const QColor &colour);
// A border `width` wide along the inside of the shape's edge.
void strokeRoundedRect(QPainter &painter, const QRectF &rect, double radius, const QColor &colour,
                       double width = 1);
// Rounded at half its height.
void fillCapsule(QPainter &painter, const QRectF &rect, const QColor &colour);

// Width and line height of a text in a font, in points.
double textWidth(const QFont &font, const QString &text);
double lineHeight(const QFont &font);
// One line of text, vertically centred on `rect`, aligned as `alignment` says horizontally, cut
// with an ellipsis when it does not fit.
void drawText(QPainter &painter, const QRectF &rect, const QString &text, const QFont &font,
              const QColor &colour, Qt::Alignment alignment = Qt::AlignLeft);

} // namespace WelcomeStyle
