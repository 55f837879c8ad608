#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

// The look the windows share: colours by role, taken from the application palette so that a
// dark theme gives dark windows, fonts in points (device-independent pixels), and the program's
// own symbols.
namespace UiStyle {

QColor accent();
QColor primary();
// The primary colour at 0.55, as secondary labels are.
QColor secondary();
// A permission granted, and one still missing.
QColor green();
QColor orange();
QColor withOpacity(QColor colour, double opacity);

// The system font at a size in points; fractional sizes (11.5) are kept. Weight as given.
QFont font(double points, QFont::Weight weight = QFont::Normal);

// A drawing of the resources' icons/ folder, named by its file with a dot for a dash ("pin.fill"
// is pin-fill.svg), fitted into a square of `points` and painted in `colour`, sharp at the given
// pixel ratio.
QPixmap symbol(const QString &name, int points, const QColor &colour, qreal devicePixelRatio);

} // namespace UiStyle
