#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// The guide's look in one place: colours by role from the application palette (so a dark theme
// gives a dark guide), fonts and symbols in points (device-independent pixels), and the rounded
// shapes its drawings are made of.
namespace WelcomeStyle {

QColor accent();
QColor primary();
// The primary colour at 0.55, as secondary labels are.
QColor secondary();
QColor green();
QColor orange();
// The colour text fields are filled with: light in a light theme, dark in a dark one.
QColor textBackground();
QColor withOpacity(QColor colour, double opacity);
// From `from` (t = 0) to `to` (t = 1), blended with premultiplied alpha, so that a fade to or
// from a clear colour keeps its hue.
QColor mix(const QColor &from, const QColor &to, double t);

// The system font at a size in points; fractional sizes (11.5) are kept.
QFont font(double points, QFont::Weight weight = QFont::Normal);

// Symbols by the names the guide uses: "doc.on.clipboard", "arrowtriangle.up.fill", "battery.75",
// "wifi", "magnifyingglass", "switch.2", "figure.wave.circle.fill", "plus", "minus", "arrow.up",
// "arrow.down", "arrow.up.forward.app", "folder", "gearshape", "trash", "book", "power",
// "checkmark.circle.fill", "exclamationmark.circle.fill".
bool hasSymbol(const QString &name);
QStringList symbolNames();
// The drawing fitted into a square of `points`, painted in `colour`, sharp at the pixel ratio.
QPixmap symbol(const QString &name, int points, const QColor &colour, qreal devicePixelRatio);
// The symbol centred on `centre`, sharp on the painter's device.
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
