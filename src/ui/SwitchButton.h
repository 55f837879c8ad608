#pragma once

#include <QAbstractButton>
#include <QVariantAnimation>

// An on/off switch as desktop settings draw it: a rounded track with a knob that slides.
class SwitchButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SwitchButton(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void checkStateSet() override;
    void nextCheckState() override;

private:
    QVariantAnimation m_knob; // 0 = off, 1 = on
};
