#include "popup/PopupPanel.h"

#include "ui/UiStyle.h"

#include <QApplication>
#include <QEvent>
#include <QHideEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QtMath>

namespace {

// No blur behind a window on X11: a nearly opaque window colour reads as the material.
QColor panelFill() {
    return UiStyle::withOpacity(QApplication::palette().color(QPalette::Active, QPalette::Window),
                                0.96);
}

// The rounded rectangle without antialiasing: a pixel belongs to it when its centre lies inside.
QRegion roundedRegion(QSize size, qreal radius) {
    QRegion region(QRect(QPoint(0, 0), size));
    for (int y = 0; y < radius; ++y) {
        const qreal dy = radius - (y + 0.5);
        const int inset = qCeil(radius - 0.5 - qSqrt(radius * radius - dy * dy));
        for (const int row : {y, size.height() - 1 - y}) {
            region -= QRect(0, row, inset, 1);
            region -= QRect(size.width() - inset, row, inset, 1);
        }
    }
    return region;
}

} // namespace

PopupPanel::PopupPanel(QSize size)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    setWindowTitle(QStringLiteral("Clipboard History"));
    setFixedSize(size);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void PopupPanel::setContent(QWidget *content) {
    layout()->addWidget(content);
}

void PopupPanel::setComposited(bool composited) {
    m_composited = composited;
    if (composited)
        clearMask();
    else // the outer edge of the border drawn below
        setMask(roundedRegion(size(), cornerRadius + 0.5));
    update();
}

void PopupPanel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = panelFill();
    if (!m_composited) {
        // Without a compositor alpha is dropped, leaving the corners' soft edge dark: fill the
        // whole shape opaque first.
        fill.setAlpha(255);
        painter.fillRect(rect(), fill);
    }
    // The border lies inside the rounded shape: inset by half its width.
    const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(UiStyle::withOpacity(UiStyle::primary(), 0.08), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(shape, cornerRadius, cornerRadius);
    if (!m_painted) {
        m_painted = true;
        Q_EMIT firstPainted();
    }
}

void PopupPanel::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        m_wasActive = true;
    } else if (m_wasActive) {
        m_wasActive = false;
        Q_EMIT deactivated();
    }
}

void PopupPanel::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return; // the window manager's doing: still shown as far as the program goes
    // A loss of activation reported after hiding belongs to the showing that ended.
    m_wasActive = false;
    m_painted = false;
}
