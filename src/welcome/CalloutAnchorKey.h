#pragma once

#include <QRectF>
#include <QString>

#include <optional>

class QPainter;

// How an illustration finds the element its callout points at. Its elements publish, in the
// order they are laid out, either their bounds (the element marks itself) or nothing; the values
// are combined from the default onwards. The last element that marks itself wins, and unmarked
// elements after it do not erase it.
struct CalloutAnchorKey {
    using Value = std::optional<QRectF>;

    static Value defaultValue() { return std::nullopt; }
    static Value combine(Value current, Value next) { return next ? next : current; }
};

// The callout under an illustration: an up-pointing triangle over `text`, both in the accent
// colour, in a frame `frameWidth` wide centred on the anchor's horizontal middle and on `middleY`
// (the middle of the strip left free for it). Coordinates are the illustration's own; a text that
// would stick out of `bounds` (an anchor near an edge) is moved inwards, its arrow is not.
void paintCallout(QPainter &painter, const QRectF &anchor, double middleY, double frameWidth,
                  const QString &text, const QRectF &bounds);
