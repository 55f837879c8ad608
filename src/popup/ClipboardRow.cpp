#include "popup/ClipboardRow.h"

#include "popup/IconButton.h"
#include "popup/Thumbnail.h"
#include "ui/UiStyle.h"

#include "history/ItemDetails.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kPaddingX = 8;
constexpr int kPaddingY = 7;
constexpr int kSpacing = 8;
constexpr int kMinGap = 4;
constexpr int kCornerRadius = 7;
constexpr int kThumbnailRadius = 4;
constexpr int kTextPoints = 12;
constexpr int kSymbolPoints = 10;
constexpr int kControlSize = 16;

QSize imageThumbnailSize(const ClipboardItem &item) {
    if (item.kind != ClipboardItem::Kind::image || !item.imageData)
        return {};
    return Thumbnail::sizeFor(detailsOf(item).imagePixels);
}

int lineHeight() {
    return QFontMetrics(UiStyle::font(kTextPoints)).height();
}

QColor white(double opacity) {
    return UiStyle::withOpacity(Qt::white, opacity);
}

} // namespace

ClipboardRow::ClipboardRow(ClipboardItem item, bool isSelected, std::function<void()> onTogglePin,
                           std::function<void()> onPastePlain, QWidget *parent, QImage decoded)
    : QWidget(parent)
    , m_item(std::move(item))
    , m_selected(isSelected)
    , m_onTogglePin(std::move(onTogglePin))
    , m_onPastePlain(std::move(onPastePlain))
    , m_thumbnailSize(imageThumbnailSize(m_item)) {
    setFixedHeight(heightFor(m_item));
    setFont(UiStyle::font(kTextPoints));

    if (m_onPastePlain) {
        m_plainButton = new IconButton(QStringLiteral("textformat"), kSymbolPoints, {}, this);
        m_plainButton->setToolTip(QStringLiteral("Paste without formatting"));
        connect(m_plainButton, &QAbstractButton::clicked, this, [this] { m_onPastePlain(); });
    }
    m_pinButton =
        new IconButton(m_item.isPinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"),
                       kSymbolPoints, {}, this);
    m_pinButton->setToolTip(m_item.isPinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"));
    connect(m_pinButton, &QAbstractButton::clicked, this, [this] { m_onTogglePin(); });
    restyle();

    // Pixels for another pixel ratio would be blurred or too large: decoded anew.
    if (!m_thumbnailSize.isEmpty() && !decoded.isNull() &&
        decoded.devicePixelRatio() == devicePixelRatioF()) {
        m_thumbnail = std::move(decoded);
    } else if (!m_thumbnailSize.isEmpty()) {
        connect(&m_decoding, &QFutureWatcher<QImage>::finished, this, [this] {
            m_thumbnail = m_decoding.result();
            if (m_thumbnail.isNull())
                m_thumbnailSize = {}; // undecodable after all: the preview instead
            m_thumbnail.setDevicePixelRatio(devicePixelRatioF());
            update();
            Q_EMIT thumbnailDecoded();
        });
        const QSize pixels = (QSizeF(m_thumbnailSize) * devicePixelRatioF()).toSize();
        m_decoding.setFuture(Thumbnail::decode(*m_item.imageData, pixels));
    }
}

// A decode still running finishes into nothing: the watcher goes with the row.
ClipboardRow::~ClipboardRow() = default;

int ClipboardRow::heightFor(const ClipboardItem &item) {
    const int content = qMax(qMax(lineHeight(), kControlSize), imageThumbnailSize(item).height());
    return content + 2 * kPaddingY;
}

void ClipboardRow::setSelected(bool selected) {
    if (selected == m_selected)
        return;
    m_selected = selected;
    restyle();
    update();
}

bool ClipboardRow::showsThumbnail() const {
    return !m_thumbnailSize.isEmpty();
}

QString ClipboardRow::leadingText() const {
    return showsThumbnail() ? QStringLiteral("Image") : detailsOf(m_item).preview;
}

QRect ClipboardRow::thumbnailRect() const {
    if (!showsThumbnail())
        return {};
    return {QPoint(kPaddingX, (height() - m_thumbnailSize.height()) / 2), m_thumbnailSize};
}

QColor ClipboardRow::textColour() const {
    return m_selected ? QColor(Qt::white) : UiStyle::primary();
}

QColor ClipboardRow::linkColour() const {
    return m_selected ? white(0.85) : UiStyle::secondary();
}

QColor ClipboardRow::plainColour() const {
    return m_selected ? white(0.7) : UiStyle::withOpacity(UiStyle::secondary(), 0.55);
}

QColor ClipboardRow::pinColour() const {
    if (m_item.isPinned)
        return m_selected ? QColor(Qt::white) : UiStyle::accent();
    return m_selected ? white(0.5) : UiStyle::withOpacity(UiStyle::secondary(), 0.35);
}

void ClipboardRow::restyle() {
    m_pinButton->setColour(pinColour());
    if (m_plainButton)
        m_plainButton->setColour(plainColour());
}

void ClipboardRow::placeControls() {
    int right = width() - kPaddingX;
    const int top = (height() - kControlSize) / 2;
    m_pinButton->move(right - kControlSize, top);
    right -= kControlSize + kSpacing;
    if (m_plainButton)
        m_plainButton->move(right - kControlSize, top);
}

// Where the leading content must end: left of the trailing items and the least gap.
int ClipboardRow::leadingRight() const {
    int right = width() - kPaddingX - kControlSize;
    if (m_plainButton)
        right -= kSpacing + kControlSize;
    if (m_item.containsLink)
        right -= kSpacing + kSymbolPoints;
    return right - kSpacing - kMinGap;
}

void ClipboardRow::resizeEvent(QResizeEvent *) {
    placeControls();
}

void ClipboardRow::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_selected) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(UiStyle::accent());
        painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    }

    int x = kPaddingX;
    if (showsThumbnail()) {
        const QRect frame = thumbnailRect();
        if (!m_thumbnail.isNull()) {
            QPainterPath clip;
            clip.addRoundedRect(QRectF(frame), kThumbnailRadius, kThumbnailRadius);
            painter.save();
            painter.setClipPath(clip);
            painter.drawImage(frame, m_thumbnail);
            painter.restore();
        }
        x = frame.right() + 1 + kSpacing;
    }
    painter.setPen(textColour());
    const QFontMetrics metrics(font());
    const int room = qMax(0, leadingRight() - x);
    const QString text = metrics.elidedText(leadingText(), Qt::ElideRight, room);
    painter.drawText(QRect(x, 0, room, height()), Qt::AlignVCenter | Qt::AlignLeft, text);

    if (m_item.containsLink) {
        int right = width() - kPaddingX - kControlSize - kSpacing;
        if (m_plainButton)
            right -= kControlSize + kSpacing;
        const QPixmap link = UiStyle::symbol(QStringLiteral("link"), kSymbolPoints, linkColour(),
                                             devicePixelRatioF());
        painter.drawPixmap(QPointF(right - kSymbolPoints, (height() - kSymbolPoints) / 2.0), link);
    }
}

void ClipboardRow::mousePressEvent(QMouseEvent *event) {
    m_pressed = event->button() == Qt::LeftButton;
}

void ClipboardRow::mouseReleaseEvent(QMouseEvent *event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        Q_EMIT clicked();
}
