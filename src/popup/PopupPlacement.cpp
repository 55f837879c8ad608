#include "popup/PopupPlacement.h"

std::optional<QPoint> popupOrigin(const QPoint &pointer, const QList<ScreenArea> &screens,
                                  qsizetype primary, QSize size) {
    if (screens.isEmpty())
        return std::nullopt;
    qsizetype chosen = primary >= 0 && primary < screens.size() ? primary : 0;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (screens[i].geometry.contains(pointer)) {
            chosen = i;
            break;
        }
    }
    const QRectF area(screens[chosen].available);
    const QPointF centre = area.center();
    return QPoint(qRound(centre.x() - size.width() / 2.0),
                  qRound(centre.y() - size.height() / 2.0));
}
