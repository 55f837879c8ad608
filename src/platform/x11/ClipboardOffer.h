#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <optional>

// What the clipboard holds for one change: the targets its owner offers and their bytes.
class ClipboardOffer {
public:
    virtual ~ClipboardOffer() = default;

    virtual QByteArrayList targets() const = 0;
    // The bytes of an offered target, or nothing when it is not offered or cannot be had.
    virtual std::optional<QByteArray> data(const QByteArray &target) = 0;
};
