#pragma once

#include <QString>

#include <array>

// How long unpinned entries stay: the choices the settings offer, and the words for a time.

// In minutes, in the order shown.
inline constexpr std::array<qint64, 11> retentionChoices{5,   10,  15,  30,  45,  60,
                                                         120, 240, 480, 720, 1440};

// "1 hour" from 60 up to 119 minutes, whole hours ("2 hours") from 120 on, else "N minutes".
QString retentionLabel(qint64 minutes);
