#pragma once

#include "welcome/CalloutIllustration.h"

// A drawn list of programs allowed to control the computer, as a settings pane shows it: a few
// placeholder rows with switches, a +/− button bar, and a callout under it pointing at what to
// use. It stretches to the width it is given and keeps its height.
class AccessibilityPaneIllustration : public CalloutIllustration {
    Q_OBJECT
public:
    enum class Highlight {
        existingRow, // the program is listed, switched off: "switch this on"
        plusButton,  // the program is not listed: "click this" under the + button
    };

    // `calloutHeight`: the strip under the pane that holds the callout, in points.
    explicit AccessibilityPaneIllustration(Highlight highlight, double calloutHeight = 30,
                                           QWidget *parent = nullptr);

    Highlight highlight() const { return m_highlight; }
    void setHighlight(Highlight highlight);
    std::optional<QRectF> calloutAnchor() const override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Layout;
    Layout layout() const;

    Highlight m_highlight;
};
