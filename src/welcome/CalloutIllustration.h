#pragma once

#include <QRectF>
#include <QWidget>

#include <optional>

// A guide drawing with a strip under it that holds a callout pointing at one of its elements.
class CalloutIllustration : public QWidget {
public:
    // The height of the callout strip, in points.
    double calloutHeight() const { return m_calloutHeight; }
    void setCalloutHeight(double calloutHeight) {
        m_calloutHeight = calloutHeight;
        updateGeometry();
        update();
    }
    // The bounds of the element the callout points at, in this widget's coordinates.
    virtual std::optional<QRectF> calloutAnchor() const = 0;

protected:
    CalloutIllustration(double calloutHeight, QWidget *parent)
        : QWidget(parent)
        , m_calloutHeight(calloutHeight) {}

private:
    double m_calloutHeight;
};
