#include "ui/ScreenArea.h"

#include <QGuiApplication>
#include <QScreen>

QList<ScreenArea> currentScreens(qsizetype *primary) {
    QList<ScreenArea> screens;
    if (primary)
        *primary = -1;
    const QList<QScreen *> all = QGuiApplication::screens();
    for (QScreen *screen : all) {
        if (primary && screen == QGuiApplication::primaryScreen())
            *primary = screens.size();
        screens << ScreenArea{screen->geometry(), screen->availableGeometry()};
    }
    return screens;
}
