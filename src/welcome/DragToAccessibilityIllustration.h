#pragma once

#include <QVariantAnimation>
#include <QWidget>

#include <optional>

// Where the dragged icon is (points right of the scene's left edge) and how visible (0..1).
struct DragPhase {
    double x = 0;
    double opacity = 0;
};

inline constexpr double kDragCycleSeconds = 2.3;

// The drag at one instant of its loop (seconds wrap around the 2.3 s cycle). The icon fades in
// over the selected row of the left window and glides across until it rests 40 points inside
// the right window, which begins `finderWidth + gap` from the left; there it fades out.
DragPhase dragPhaseAt(double secondsIntoCycle, double finderWidth, double gap);

// Two drawn windows side by side, a file manager's "Applications" with the program selected and
// an "Accessibility" list with a dashed drop zone, and the program's icon dragged from one into
// the other, over and over, under the caption "drag it across". The loop runs only while the
// widget is shown.
class DragToAccessibilityIllustration : public QWidget {
    Q_OBJECT
public:
    // `finderWidth`: the left window's width; `gap`: the space between the windows (points).
    explicit DragToAccessibilityIllustration(double finderWidth = 140, double gap = 12,
                                             QWidget *parent = nullptr);

    double finderWidth() const { return m_finderWidth; }
    double gap() const { return m_gap; }
    DragPhase phase() const;
    bool isAnimating() const { return m_loop.state() == QAbstractAnimation::Running; }
    // Stops the loop on one instant of it until the widget is next shown (for still pictures).
    void holdAt(double secondsIntoCycle);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Layout;
    Layout layout() const;

    double m_finderWidth;
    double m_gap;
    QVariantAnimation m_loop; // seconds into the cycle
    std::optional<double> m_held;
};
