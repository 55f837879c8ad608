#pragma once

#include "welcome/CalloutIllustration.h"

// A drawn desktop panel with its tray: the program's icon among the usual status items and the
// clock, and under it a callout pointing at the icon ("that's Tallowquill"). It stretches to the
// width it is given and keeps its height.
class MenuBarIllustration : public CalloutIllustration {
    Q_OBJECT
public:
    // `calloutHeight`: the strip under the panel that holds the callout, in points.
    explicit MenuBarIllustration(double calloutHeight = 32, QWidget *parent = nullptr);

    std::optional<QRectF> calloutAnchor() const override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Layout;
    Layout layout() const;
};
