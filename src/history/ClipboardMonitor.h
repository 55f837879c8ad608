#pragma once

#include "history/ClipboardItem.h"

#include <QList>
#include <QObject>
#include <QTimer>
#include <QUuid>

#include <chrono>
#include <functional>
#include <optional>

class AppSettings;
class CaptureQueue;
class Pasteboard;
class PinStore;

// The history: pinned entries (most recently pinned first, kept in the pins file) and recent
// entries (newest first, at most maxRecent, in memory only, dropped after the retention time).
// Looks at the pasteboard as soon as it reports a change and records each change that is not the
// program's own write; a copy equal in content to a pinned entry is dropped, one equal to recent
// entries replaces them at the front. Reading and converting a copy happen on a worker thread;
// the entry is added when they are done, in copy order. When the program that owned a recorded
// copy goes away and takes the clipboard with it, the entry is put back on the clipboard.
class ClipboardMonitor : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<double()>; // seconds since 2001-01-01 00:00:00 UTC

    static constexpr qsizetype maxRecent = 50;
    // Recent entries also stay within this much memory, the oldest going first: fifty copies of
    // the largest text or image another program may offer would not fit any desktop. Everything
    // an entry holds counts, its details (ItemDetails) included.
    static constexpr qint64 maxRecentBytes = qint64(512) << 20;
    // The prune timer is armed for the moment the oldest recent entry expires, but never further
    // ahead than this: timers stand still while the computer sleeps.
    static constexpr std::chrono::milliseconds maxPruneWait{60'000};

    // The collaborators are handed in rather than reached as globals so that tests can run the
    // monitor over a fake pasteboard, their own settings store, a temporary pins folder and a
    // clock they move; the program passes its pasteboard, AppSettings::shared() and a PinStore
    // of the default folder. All three must outlive the monitor. Loads the pins, which are
    // listed once the capture worker has worked out their details; whatever is on the pasteboard
    // now is never recorded.
    ClipboardMonitor(Pasteboard &pasteboard, AppSettings &settings, PinStore &pinStore,
                     Clock clock = ClipboardItem::now, QObject *parent = nullptr);

    // Pinned entries (those whose details are known), then recent ones.
    const QList<ClipboardItem> &items() const { return m_items; }
    const QList<ClipboardItem> &pinned() const { return m_pinned; }
    const QList<ClipboardItem> &recent() const { return m_recent; }

    Pasteboard &pasteboard() const { return m_pasteboard; }
    qint64 lastChangeCount() const { return m_lastChangeCount; }

    // The change count the last writeBack produced, until the monitor has seen it: a change whose
    // count is not above it is the program's own and is not recorded.
    std::optional<qint64> selfCopyUntilChangeCount() const { return m_selfCopyUntilChangeCount; }

    // Puts an entry back on the pasteboard in one write that is not recorded again: the history
    // keeps the entry where it is, with its id and time. With plainText only the text is
    // written, whatever the kind. A rich entry offers RTF, HTML made from it and the text; an
    // image entry its PNG, or nothing at all when it has no readable image.
    void writeBack(const ClipboardItem &item, bool plainText);

    // Starts following the pasteboard's changes and pruning as entries expire.
    void start();
    // Records nothing more: captures under way are called off and not waited for.
    void stopCapturing();
    // One look at the pasteboard; when the change count moved, hands the new contents to the
    // capture worker.
    void poll();
    // When the prune timer fires next; nothing while no recent entry can expire.
    std::optional<std::chrono::milliseconds> nextPrune() const;
    // Whether a change is still being read or converted.
    bool isCapturing() const;
    // Inserts a captured entry under the duplicate rules; its details are worked out here when
    // it has none yet.
    void add(ClipboardItem item);
    // Drops recent entries older than the retention time, read afresh from the settings.
    void prune();
    // Empties the recent entries; pinned ones and the pins file stay.
    void clearHistory();
    // Pins the recent entry with this id, or unpins the pinned one (which comes back as a new
    // recent entry, with a new id and the current time), then saves the pins. An unknown id
    // changes nothing.
    void togglePin(const QUuid &id);

Q_SIGNALS:
    // Sent on every assignment of items, changed or not.
    void itemsChanged();
    // Every change seen so far has been captured (or found to hold nothing to record).
    void capturesSettled();

private:
    // Inserts the entry; returns the id of the entry that holds its content now.
    QUuid insertEntry(ClipboardItem item);
    void captured(ClipboardItem item, qint64 change);
    void pinsLoaded(const QList<ClipboardItem> &items);
    void rebuildItems();
    void capRecent();
    void schedulePoll();
    void armPruneTimer();
    void noteOwnerLeft(qint64 change);
    void restoreAfterOwnerLeft();

    Pasteboard &m_pasteboard;
    AppSettings &m_settings;
    PinStore &m_pinStore;
    Clock m_clock;

    QList<ClipboardItem> m_items;
    QList<ClipboardItem> m_pinned;
    QList<ClipboardItem> m_recent;

    qint64 m_lastChangeCount = 0;
    std::optional<qint64> m_selfCopyUntilChangeCount;
    bool m_pollQueued = false;
    // The last change recorded and the entry that holds it.
    struct Recorded {
        qint64 change = -1;
        QUuid id;
    } m_lastRecorded;
    // The change at which an owner left, while its fate waits on captures under way.
    std::optional<qint64> m_ownerLeftChange;
    // A child of the monitor: it dies with it, so no tick can reach a monitor that is gone.
    QTimer *m_pruneTimer = nullptr;
    CaptureQueue *m_captures = nullptr; // a child: its worker stops with the monitor
};
