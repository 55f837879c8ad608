#include "ui/SwitchButton.h"

#include <QPainter>
#include <QPainterPath>

SwitchButton::SwitchButton(QWidget *parent)
    : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    m_knob.setDuration(120);
    m_knob.setStartValue(0.0);
    m_knob.setEndValue(0.0);
    connect(&m_knob, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

QSize SwitchButton::sizeHint() const {
    return {38, 22};
}

void SwitchButton::checkStateSet() {
    // Set from code (a fall-back to the real state): no slide, the switch is simply there.
    m_knob.stop();
    m_knob.setStartValue(isChecked() ? 1.0 : 0.0);
    m_knob.setEndValue(isChecked() ? 1.0 : 0.0);
    update();
}

void SwitchButton::nextCheckState() {
    const double from = m_knob.currentValue().toDouble();
    setChecked(!isChecked());
    m_knob.stop();
    m_knob.setStartValue(from);
    m_knob.setEndValue(isChecked() ? 1.0 : 0.0);
    m_knob.start();
}

void SwitchButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double on = m_knob.currentValue().toDouble();
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const QPalette &colours = palette();
    QColor off = colours.color(QPalette::WindowText);
    off.setAlphaF(0.22);
    const QColor accent = colours.color(QPalette::Highlight);
    QColor fill = accent;
    fill.setRedF(off.redF() + (accent.redF() - off.redF()) * on);
    fill.setGreenF(off.greenF() + (accent.greenF() - off.greenF()) * on);
    fill.setBlueF(off.blueF() + (accent.blueF() - off.blueF()) * on);
    fill.setAlphaF(off.alphaF() + (1.0 - off.alphaF()) * on);
    if (!isEnabled())
        fill.setAlphaF(fill.alphaF() * 0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);

    const double knob = track.height() - 4;
    const QRectF circle(track.left() + 2 + (track.width() - knob - 4) * on, track.top() + 2, knob,
                        knob);
    painter.setBrush(QColor(Qt::white));
    painter.drawEllipse(circle);
    if (hasFocus()) {
        QPen ring(accent, 2);
        painter.setPen(ring);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-0.5, -0.5, 0.5, 0.5), track.height() / 2,
                                track.height() / 2);
    }
}
