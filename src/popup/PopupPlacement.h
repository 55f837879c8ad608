#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// A screen as placement sees it: its whole area and the part free of panels and docks, in Qt's
// global coordinates.
struct ScreenArea {
    QRect frame;
    QRect available;
};

// Where the popup's top-left corner goes: centred on the available area of the first screen
// whose frame holds the pointer, else of the primary screen, else of the first; nothing is
// clamped. nullopt without screens.
std::optional<QPoint> popupOrigin(const QPoint &pointer, const QList<ScreenArea> &screens,
                                  qsizetype primary, QSize size);

// The screens of the running application, and the index of the primary one (-1 without one).
QList<ScreenArea> currentScreens(qsizetype *primary);
