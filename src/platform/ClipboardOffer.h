#pragma once

#include "platform/Pasteboard.h"

#include <QByteArray>
#include <QByteArrayList>

// What the clipboard holds for one change: the targets its owner offers and their bytes. Asked
// on one thread at a time, which need not be the one that made it.
class ClipboardOffer {
public:
    virtual ~ClipboardOffer() = default;

    virtual QByteArrayList targets() = 0;
    // The bytes of an offered target, or nothing when it is not offered, cannot be had, or is
    // larger than maxBytes (then with its size).
    virtual Flavour<QByteArray> data(const QByteArray &target, qsizetype maxBytes) = 0;
    // Makes reads under way and later ones give up at once; safe from any thread.
    virtual void cancel() {}
};
