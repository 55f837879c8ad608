#include "settings/Retention.h"

QString retentionLabel(qint64 minutes) {
    if (minutes >= 60 && minutes < 120)
        return QStringLiteral("1 hour");
    if (minutes >= 60)
        return QStringLiteral("%1 hours").arg(minutes / 60);
    return QStringLiteral("%1 minutes").arg(minutes);
}
