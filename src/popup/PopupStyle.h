#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

// The popup's look in one place: colours by role, taken from the application palette so that a
// dark theme gives a dark popup, fonts in points (device-independent pixels), and the program's
// own symbols.
namespace PopupStyle {

QColor accent();
QColor primary();
// The primary colour dimmed, as secondary and tertiary labels are.
QColor secondary();
QColor tertiary();
QColor background();
QColor withOpacity(QColor colour, double opacity);

// The system font at a size in points; weight as given.
QFont font(int points, QFont::Weight weight = QFont::Normal);

// Symbol names: "clipboard", "tray", "link", "textformat", "pin", "pin.fill". The drawing is
// fitted into a square of `points` and painted in `colour`, sharp at the given pixel ratio.
QPixmap symbol(const QString &name, int points, const QColor &colour, qreal devicePixelRatio);

} // namespace PopupStyle
