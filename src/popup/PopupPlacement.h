#pragma once

#include "ui/ScreenArea.h"

#include <QList>
#include <QPoint>
#include <QSize>

#include <optional>

// Where the popup's top-left corner goes: centred on the available area of the first screen
// whose whole area holds the pointer, else of the primary screen, else of the first; nothing is
// clamped. nullopt without screens.
std::optional<QPoint> popupOrigin(const QPoint &pointer, const QList<ScreenArea> &screens,
                                  qsizetype primary, QSize size);
