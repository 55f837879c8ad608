#pragma once

#include <QObject>

// Whether the desktop shows a tray the program's icon can go into: a StatusNotifierItem host, or
// an XEmbed tray. Qt settles which kind an icon uses when the first one is made and never asks
// again, so the icon is made only once this says a tray is there.
class TrayPresence : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool isPresent() const = 0;

Q_SIGNALS:
    // A tray appeared, or the last one went.
    void presenceChanged(bool present);
};
