#include "popup/ClipboardListView.h"

#include "history/ClipboardMonitor.h"
#include "popup/ClipboardRow.h"
#include "ui/UiStyle.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kInset = 6;
constexpr int kRowSpacing = 2;
// A divider below an entry: the group's 2 points, 2 above the line, the line, 2 below.
constexpr int kDividerBlock = kRowSpacing + 2 + 1 + 2;

QColor separatorColour() {
    return UiStyle::withOpacity(UiStyle::primary(), 0.12);
}

// The faintest marks: the keys hint in the header and the empty list's symbol.
QColor tertiaryColour() {
    return UiStyle::withOpacity(UiStyle::primary(), 0.3);
}

class Divider : public QWidget {
public:
    explicit Divider(QWidget *parent)
        : QWidget(parent) {
        setFixedHeight(1);
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), separatorColour()); }
};

// The scrolled surface: rows sit on it at fixed places; it draws the pinned/recent divider.
class RowCanvas : public QWidget {
public:
    using QWidget::QWidget;
    QList<int> dividerLines;

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        for (const int y : dividerLines)
            painter.fillRect(QRect(kInset, y, width() - 2 * kInset, 1), separatorColour());
    }
};

QLabel *label(const QString &text, const QFont &font, const QColor &colour, QWidget *parent) {
    auto *result = new QLabel(text, parent);
    result->setFont(font);
    QPalette palette = result->palette();
    palette.setColor(QPalette::WindowText, colour);
    result->setPalette(palette);
    return result;
}

QLabel *symbolLabel(const QString &name, int points, const QColor &colour, QWidget *parent) {
    auto *result = new QLabel(parent);
    result->setPixmap(UiStyle::symbol(name, points, colour, parent->devicePixelRatioF()));
    return result;
}

QWidget *makeHeader(QWidget *parent) {
    auto *header = new QWidget(parent);
    auto *layout = new QHBoxLayout(header);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(8);
    layout->addWidget(symbolLabel(QStringLiteral("clipboard"), 14, UiStyle::secondary(), header));
    layout->addWidget(label(QStringLiteral("Clipboard History"), UiStyle::font(13, QFont::DemiBold),
                            UiStyle::primary(), header));
    layout->addStretch(1);
    layout->addWidget(
        label(QStringLiteral("\u2191\u2193 \u2022 \u23ce paste \u2022 \u2318\u23ce plain \u2022 p "
                             "pin \u2022 esc"),
              UiStyle::font(10), tertiaryColour(), header));
    return header;
}

QWidget *makeEmptyState(QWidget *parent) {
    auto *empty = new QWidget(parent);
    auto *layout = new QVBoxLayout(empty);
    layout->setSpacing(6);
    layout->addStretch(1);
    layout->addWidget(symbolLabel(QStringLiteral("tray"), 28, tertiaryColour(), empty), 0,
                      Qt::AlignHCenter);
    layout->addWidget(
        label(QStringLiteral("Nothing copied yet"), UiStyle::font(12), UiStyle::secondary(), empty),
        0, Qt::AlignHCenter);
    layout->addStretch(1);
    return empty;
}

} // namespace

ClipboardListView::ClipboardListView(ClipboardMonitor &monitor, ItemCallback onSelect,
                                     ItemCallback onSelectPlain,
                                     std::function<void(const QUuid &)> onTogglePin,
                                     std::function<void()> onDismiss, QWidget *parent)
    : QWidget(parent)
    , m_monitor(monitor)
    , m_onSelect(std::move(onSelect))
    , m_onSelectPlain(std::move(onSelectPlain))
    , m_onTogglePin(std::move(onTogglePin))
    , m_onDismiss(std::move(onDismiss))
    , m_count(monitor.items().size()) {
    setFocusPolicy(Qt::StrongFocus);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeHeader(this));
    layout->addWidget(new Divider(this));

    m_emptyState = makeEmptyState(this);
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setWidgetResizable(true);
    // The popup draws its own background; the list and a slim bar lie on it, clear of the
    // rounded corners.
    m_scrollArea->viewport()->setAutoFillBackground(false);
    m_scrollArea->setStyleSheet(QStringLiteral(
        "QScrollArea { background: transparent; }"
        "QScrollBar:vertical { background: transparent; width: 8px; margin: 2px 2px 8px 0; }"
        "QScrollBar::handle:vertical { background: rgba(128, 128, 128, 110); border-radius: 3px;"
        " min-height: 24px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
    m_canvas = new RowCanvas;
    m_scrollArea->setWidget(m_canvas);      // the scroll area owns the canvas
    m_canvas->setAutoFillBackground(false); // after setWidget, which turns it on

    auto *body = new QWidget(this);
    m_body = new QStackedLayout(body);
    m_body->addWidget(m_emptyState);
    m_body->addWidget(m_scrollArea);
    layout->addWidget(body, 1);

    m_canvas->installEventFilter(this);
    m_scrollArea->viewport()->installEventFilter(this);
    connect(m_scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ClipboardListView::updateBuiltRows);
    connect(&m_monitor, &ClipboardMonitor::itemsChanged, this, &ClipboardListView::itemsChanged);
    layoutSlots();
}

ClipboardListView::~ClipboardListView() = default;

QList<ClipboardRow *> ClipboardListView::builtRows() const {
    QList<ClipboardRow *> rows;
    for (const auto &[index, row] : m_rows)
        rows << row.data();
    return rows;
}

ClipboardRow *ClipboardListView::rowAt(qsizetype index) const {
    const auto found = m_rows.find(index);
    return found == m_rows.end() ? nullptr : found->second.data();
}

QList<qsizetype> ClipboardListView::dividersBelow() const {
    QList<qsizetype> indexes;
    for (qsizetype i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i].dividerBelow)
            indexes << i;
    }
    return indexes;
}

bool ClipboardListView::showsEmptyState() const {
    return m_body->currentWidget() == m_emptyState;
}

bool ClipboardListView::isValid(qint64 index) const {
    return index >= 0 && index < m_monitor.items().size();
}

void ClipboardListView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (m_stale)
        itemsChanged();
    if (m_appeared)
        return;
    m_appeared = true;
    m_selection = 0;
    setFocus(Qt::OtherFocusReason);
    updateBuiltRows();
}

void ClipboardListView::reset() {
    if (m_scrollAnimation)
        m_scrollAnimation->stop();
    if (ClipboardRow *old = rowAt(m_selection))
        old->setSelected(false);
    m_selection = 0;
    m_count = m_monitor.items().size();
    m_stale = false;
    // Before the layout, which builds the rows in view from there.
    setScrollTop(0);
    layoutSlots();
    if (ClipboardRow *first = rowAt(0))
        first->setSelected(true);
}

void ClipboardListView::setScrollTop(int top) {
    QScrollBar *bar = m_scrollArea->verticalScrollBar();
    const QSignalBlocker quiet(bar);
    bar->setValue(top);
}

bool ClipboardListView::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Resize)
        updateBuiltRows();
    return QWidget::eventFilter(watched, event);
}

void ClipboardListView::itemsChanged() {
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    m_stale = false;
    const qsizetype count = m_monitor.items().size();
    layoutSlots();
    if (count != m_count) {
        m_count = count;
        setSelection(qMin<qint64>(m_selection, qMax<qint64>(count - 1, 0)));
    }
}

void ClipboardListView::layoutSlots() {
    const QList<ClipboardItem> &items = m_monitor.items();
    m_slots.clear();
    m_slots.reserve(items.size());
    QList<int> lines;
    int y = kInset;
    for (qsizetype i = 0; i < items.size(); ++i) {
        Slot slot;
        slot.top = y;
        slot.height = ClipboardRow::heightFor(items[i]);
        slot.dividerBelow = items[i].isPinned && i + 1 < items.size() && !items[i + 1].isPinned;
        y += slot.height;
        if (slot.dividerBelow) {
            lines << y + kRowSpacing + 2;
            y += kDividerBlock;
        }
        if (i + 1 < items.size())
            y += kRowSpacing;
        m_slots << slot;
    }
    // Rows are functions of their entry and place: a changed list builds them afresh, keeping
    // a row only where its entry, pin state and place are the same.
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        ClipboardRow *row = it->second;
        const qsizetype index = it->first;
        const bool same = row && index < items.size() && items[index].id == row->item().id &&
                          items[index].isPinned == row->item().isPinned;
        if (same) {
            ++it;
            continue;
        }
        if (row) {
            row->hide();
            row->deleteLater(); // it may be inside its own click handler
        }
        it = m_rows.erase(it);
    }
    for (auto it = m_thumbnails.begin(); it != m_thumbnails.end();) {
        const bool listed = std::any_of(items.begin(), items.end(), [&](const ClipboardItem &item) {
            return item.id == it.key();
        });
        it = listed ? std::next(it) : m_thumbnails.erase(it);
    }
    static_cast<RowCanvas *>(m_canvas)->dividerLines = lines;
    m_canvas->setFixedHeight(y + kInset);
    m_body->setCurrentWidget(items.isEmpty() ? m_emptyState : m_scrollArea);

    m_canvas->update();
    updateBuiltRows();
}

void ClipboardListView::updateBuiltRows() {
    if (!m_appeared)
        return; // nothing is in view before the first showing
    const int viewportHeight = m_scrollArea->viewport()->height();
    const int top = m_scrollArea->verticalScrollBar()->value();
    const int bottom = top + viewportHeight;
    const int width = m_canvas->width() - 2 * kInset;

    for (auto it = m_rows.begin(); it != m_rows.end();) {
        const bool inList = it->first < m_slots.size();
        const Slot slot = inList ? m_slots[it->first] : Slot{};
        if (inList && slot.top + slot.height > top && slot.top < bottom) {
            if (it->second)
                it->second->setGeometry(kInset, slot.top, width, slot.height);
            ++it;
            continue;
        }
        if (it->second) {
            it->second->hide();
            it->second->deleteLater();
        }
        it = m_rows.erase(it);
    }
    for (qsizetype i = 0; i < m_slots.size(); ++i) {
        const Slot &slot = m_slots[i];
        if (slot.top >= bottom)
            break;
        if (slot.top + slot.height <= top || m_rows.count(i))
            continue;
        ClipboardRow *row = buildRow(i);
        row->setGeometry(kInset, slot.top, width, slot.height);
        row->show();
        m_rows[i] = row;
    }
}

ClipboardRow *ClipboardListView::buildRow(qsizetype index) {
    const ClipboardItem &item = m_monitor.items()[index];
    const QPointer<ClipboardListView> self(this);
    const QUuid id = item.id;
    auto togglePin = [self, id] {
        if (self && self->m_onTogglePin)
            self->m_onTogglePin(id);
    };
    std::function<void()> pastePlain;
    if (item.kind == ClipboardItem::Kind::rich) {
        pastePlain = [self, item] {
            if (self && self->m_onSelectPlain)
                self->m_onSelectPlain(item);
        };
    }
    auto *row = new ClipboardRow(item, index == m_selection, std::move(togglePin),
                                 std::move(pastePlain), m_canvas, m_thumbnails.value(id));
    connect(row, &ClipboardRow::clicked, this, [this, row] {
        if (m_onSelect)
            m_onSelect(row->item());
    });
    connect(row, &ClipboardRow::thumbnailDecoded, this, [this, row] {
        if (!row->thumbnail().isNull())
            m_thumbnails.insert(row->item().id, row->thumbnail());
    });
    return row;
}

void ClipboardListView::setSelection(qint64 selection) {
    if (selection == m_selection)
        return;
    if (ClipboardRow *old = rowAt(m_selection))
        old->setSelected(false);
    m_selection = selection;
    if (ClipboardRow *row = rowAt(m_selection))
        row->setSelected(true);
    scrollToSelection();
}

void ClipboardListView::moveSelection(int delta) {
    const qsizetype count = m_monitor.items().size();
    if (count == 0)
        return;
    setSelection(qBound<qint64>(0, m_selection + delta, count - 1));
}

void ClipboardListView::chooseSelected(bool plain) {
    if (!isValid(m_selection))
        return;
    // A copy: the callback may change the history under us.
    const ClipboardItem item = m_monitor.items()[m_selection];
    const ItemCallback &callback = plain ? m_onSelectPlain : m_onSelect;
    if (callback)
        callback(item);
}

void ClipboardListView::scrollToSelection() {
    if (!isValid(m_selection))
        return;
    const Slot &slot = m_slots[m_selection];
    QScrollBar *bar = m_scrollArea->verticalScrollBar();
    const int viewportHeight = m_scrollArea->viewport()->height();
    const int target =
        qBound(bar->minimum(), slot.top + slot.height / 2 - viewportHeight / 2, bar->maximum());
    if (m_scrollAnimation)
        m_scrollAnimation->stop();
    if (target == bar->value())
        return;
    auto *animation = new QPropertyAnimation(bar, "value", this);
    animation->setDuration(scrollMilliseconds);
    animation->setEasingCurve(QEasingCurve::OutQuad);
    animation->setStartValue(bar->value());
    animation->setEndValue(target);
    m_scrollAnimation = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void ClipboardListView::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Down:
        moveSelection(1);
        return event->accept();
    case Qt::Key_Up:
        moveSelection(-1);
        return event->accept();
    case Qt::Key_Return: {
        // Super+Return as asked; Ctrl+Return as Linux users expect inside a window.
        const bool plain = event->modifiers() & (Qt::MetaModifier | Qt::ControlModifier);
        chooseSelected(plain);
        return event->accept();
    }
    case Qt::Key_Escape:
        if (m_onDismiss)
            m_onDismiss();
        return event->accept();
    default:
        break;
    }
    if (event->text() == QLatin1String("p") && isValid(m_selection)) {
        const QUuid id = m_monitor.items()[m_selection].id;
        if (m_onTogglePin)
            m_onTogglePin(id);
        return event->accept();
    }
    event->ignore();
    QWidget::keyPressEvent(event);
}
