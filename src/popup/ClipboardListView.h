#pragma once

#include "history/ClipboardItem.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QPropertyAnimation>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <map>

class ClipboardMonitor;
class ClipboardRow;
class QScrollArea;
class QScrollBar;
class QStackedLayout;

// The whole content of the history popup: a header with the key legend, then the monitor's
// entries as a scrolling list (or a notice when there are none), and the popup's keyboard
// model. It reports the user's choices through four callbacks and never closes anything itself.
// Rows are built only while they are in view; decoded thumbnails are kept per entry, so a row
// built again shows its picture at once. While hidden it leaves changes of the history for the
// next reset() or showing.
class ClipboardListView : public QWidget {
    Q_OBJECT
public:
    using ItemCallback = std::function<void(const ClipboardItem &)>;

    // The monitor must outlive the view.
    ClipboardListView(ClipboardMonitor &monitor, ItemCallback onSelect, ItemCallback onSelectPlain,
                      std::function<void(const QUuid &)> onTogglePin,
                      std::function<void()> onDismiss, QWidget *parent = nullptr);
    ~ClipboardListView() override;

    // The history as it is now, from its top: the first row selected, nothing scrolled. For a
    // view shown again.
    void reset();

    // Index of the highlighted row; may lie outside the list (it is 0 when the list is empty).
    qint64 selection() const { return m_selection; }

    // The rows built now, by index: those in view.
    QList<ClipboardRow *> builtRows() const;
    ClipboardRow *rowAt(qsizetype index) const;
    // Indexes of the entries with the pinned/recent divider below them.
    QList<qsizetype> dividersBelow() const;
    bool showsEmptyState() const;
    QScrollArea *scrollArea() const { return m_scrollArea; }

    static constexpr int scrollMilliseconds = 100;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Slot {
        int top = 0;
        int height = 0;
        bool dividerBelow = false;
    };

    void itemsChanged();
    void setScrollTop(int top);
    void layoutSlots();
    void updateBuiltRows();
    ClipboardRow *buildRow(qsizetype index);
    void setSelection(qint64 selection);
    void moveSelection(int delta);
    void chooseSelected(bool plain);
    void scrollToSelection();
    bool isValid(qint64 index) const;

    ClipboardMonitor &m_monitor;
    ItemCallback m_onSelect;
    ItemCallback m_onSelectPlain;
    std::function<void(const QUuid &)> m_onTogglePin;
    std::function<void()> m_onDismiss;
    qint64 m_selection = 0;
    qsizetype m_count = 0;
    bool m_appeared = false;
    bool m_stale = false; // the history changed while hidden

    QList<Slot> m_slots;
    std::map<qsizetype, QPointer<ClipboardRow>> m_rows;
    QHash<QUuid, QImage> m_thumbnails; // by entry
    // Children of the view.
    QStackedLayout *m_body = nullptr;
    QWidget *m_emptyState = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    QWidget *m_canvas = nullptr;
    QPointer<QPropertyAnimation> m_scrollAnimation;
};
