#pragma once

#include <QWidget>

#include <optional>

// A drawn desktop panel with its tray: the program's icon among the usual status items and the
// clock, and under it a callout pointing at the icon ("that's Tallowquill"). It stretches to the
// width it is given and keeps its height.
class MenuBarIllustration : public QWidget {
    Q_OBJECT
public:
    // `calloutHeight`: the strip under the panel that holds the callout, in points.
    explicit MenuBarIllustration(double calloutHeight = 32, QWidget *parent = nullptr);

    double calloutHeight() const { return m_calloutHeight; }
    void setCalloutHeight(double calloutHeight);
    // The bounds of the element the callout points at, in this widget's coordinates.
    std::optional<QRectF> calloutAnchor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Layout;
    Layout layout() const;

    double m_calloutHeight;
};
