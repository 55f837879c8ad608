#pragma once

#include <QList>
#include <QRect>

// A screen as window placement sees it: its whole area and the part free of panels and docks,
// in Qt's global coordinates.
struct ScreenArea {
    QRect geometry;
    QRect available;
};

// The screens of the running application, and, when asked, the index of the primary one (-1
// without one).
QList<ScreenArea> currentScreens(qsizetype *primary = nullptr);
