#include "popup/PopupPanel.h"

#include "popup/PopupStyle.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

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

void PopupPanel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The border lies inside the rounded shape: inset by half its width.
    const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(PopupStyle::withOpacity(PopupStyle::primary(), 0.08), 1));
    painter.setBrush(PopupStyle::background());
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
