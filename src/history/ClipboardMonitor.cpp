#include "history/ClipboardMonitor.h"

#include "history/CaptureQueue.h"
#include "history/ItemDetails.h"
#include "history/PinStore.h"
#include "platform/Pasteboard.h"
#include "settings/AppSettings.h"

#include <algorithm>
#include <cmath>
#include <utility>

ClipboardMonitor::ClipboardMonitor(Pasteboard &pasteboard, AppSettings &settings,
                                   PinStore &pinStore, Clock clock, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_settings(settings)
    , m_pinStore(pinStore)
    , m_clock(std::move(clock))
    , m_lastChangeCount(pasteboard.changeCount())
    , m_captures(new CaptureQueue(this)) {
    connect(m_captures, &CaptureQueue::captured, this, &ClipboardMonitor::captured);
    connect(m_captures, &CaptureQueue::idle, this, &ClipboardMonitor::capturesSettled);
    connect(this, &ClipboardMonitor::capturesSettled, this, [this] {
        if (m_ownerLeftChange)
            restoreAfterOwnerLeft();
    });
    connect(m_captures, &CaptureQueue::loaded, this, &ClipboardMonitor::pinsLoaded);
    m_pinned = m_pinStore.loadPins();
    if (!m_pinned.isEmpty())
        m_captures->submitLoaded(m_pinned);
    rebuildItems();
}

void ClipboardMonitor::pinsLoaded(const QList<ClipboardItem> &items) {
    for (const ClipboardItem &loaded : items) {
        for (ClipboardItem &pinned : m_pinned)
            if (pinned.id == loaded.id)
                pinned.details = loaded.details;
    }
    rebuildItems();
}

void ClipboardMonitor::start() {
    m_lastChangeCount = m_pasteboard.changeCount();
    if (m_pruneTimer)
        return;
    connect(&m_pasteboard, &Pasteboard::changed, this, &ClipboardMonitor::schedulePoll);
    connect(&m_pasteboard, &Pasteboard::ownerLeft, this, &ClipboardMonitor::noteOwnerLeft);
    // Qt timers keep firing while a menu is open or a modal dialog runs.
    m_pruneTimer = new QTimer(this);
    m_pruneTimer->setSingleShot(true);
    connect(m_pruneTimer, &QTimer::timeout, this, &ClipboardMonitor::prune);
    armPruneTimer();
}

void ClipboardMonitor::stopCapturing() {
    m_captures->stop();
}

// Changes come in bursts (a write of ours, another program's copy racing it): one look sees
// them all.
void ClipboardMonitor::schedulePoll() {
    if (m_pollQueued)
        return;
    m_pollQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_pollQueued = false;
            poll();
        },
        Qt::QueuedConnection);
}

void ClipboardMonitor::poll() {
    const qint64 count = m_pasteboard.changeCount();
    if (count == m_lastChangeCount)
        return;
    m_lastChangeCount = count;
    if (m_selfCopyUntilChangeCount && *m_selfCopyUntilChangeCount >= count) {
        m_selfCopyUntilChangeCount.reset();
        return;
    }
    if (m_pasteboard.holdsOwnWrite())
        return;
    // A guard below the count stays set: counts only grow, so it can never match again.
    m_captures->submit(m_pasteboard.contents(), m_clock(), count);
}

bool ClipboardMonitor::isCapturing() const {
    return m_captures->isBusy();
}

void ClipboardMonitor::add(ClipboardItem item) {
    insertEntry(std::move(item));
}

QUuid ClipboardMonitor::insertEntry(ClipboardItem item) {
    const ContentKey &key = detailsOf(item).key;
    for (const ClipboardItem &pinned : std::as_const(m_pinned))
        if (detailsOf(pinned).key == key)
            return pinned.id;
    m_recent.removeIf([&key](const ClipboardItem &recent) { return detailsOf(recent).key == key; });
    const QUuid id = item.id;
    m_recent.prepend(std::move(item));
    capRecent();
    rebuildItems();
    return id;
}

void ClipboardMonitor::captured(ClipboardItem item, qint64 change) {
    m_lastRecorded = {change, insertEntry(std::move(item))};
}

void ClipboardMonitor::prune() {
    const double cutoff = m_clock() - double(m_settings.retentionSeconds());
    qsizetype kept = 0;
    for (qsizetype i = 0; i < m_recent.size(); ++i) {
        if (m_recent.at(i).copiedAt < cutoff)
            continue;
        if (kept != i)
            m_recent[kept] = std::move(m_recent[i]);
        ++kept;
    }
    if (kept == m_recent.size()) {
        armPruneTimer(); // the retention time may have grown
        return;
    }
    m_recent.remove(kept, m_recent.size() - kept);
    rebuildItems();
}

std::optional<std::chrono::milliseconds> ClipboardMonitor::nextPrune() const {
    if (!m_pruneTimer || !m_pruneTimer->isActive())
        return std::nullopt;
    return std::chrono::milliseconds(m_pruneTimer->interval());
}

void ClipboardMonitor::armPruneTimer() {
    if (!m_pruneTimer)
        return;
    if (m_recent.isEmpty()) {
        m_pruneTimer->stop();
        return;
    }
    double oldest = m_recent.first().copiedAt;
    for (const ClipboardItem &item : std::as_const(m_recent))
        oldest = std::min(oldest, item.copiedAt);
    // An entry goes once it is older than the retention time: a millisecond past the moment.
    const double expiresIn = oldest + double(m_settings.retentionSeconds()) - m_clock();
    const double wait =
        std::clamp(std::ceil(expiresIn * 1000) + 1, 0.0, double(maxPruneWait.count()));
    m_pruneTimer->start(int(wait));
}

void ClipboardMonitor::noteOwnerLeft(qint64 change) {
    m_ownerLeftChange = change;
    if (!isCapturing())
        restoreAfterOwnerLeft();
}

// Only the copy that was recorded last, still in the history and not expired, comes back, and
// only while nothing else has been copied since: a copy that was not recorded (a password
// manager's secret) is gone as its owner intends.
void ClipboardMonitor::restoreAfterOwnerLeft() {
    const qint64 change = *std::exchange(m_ownerLeftChange, std::nullopt);
    if (m_lastRecorded.change != change - 1 || m_pasteboard.changeCount() != change)
        return;
    prune();
    const auto it =
        std::find_if(m_items.cbegin(), m_items.cend(),
                     [this](const ClipboardItem &item) { return item.id == m_lastRecorded.id; });
    if (it != m_items.cend())
        writeBack(ClipboardItem(*it), false);
}

void ClipboardMonitor::writeBack(const ClipboardItem &item, bool plainText) {
    // What a full paste offers was made on the capture worker: a page's worth of rich text takes
    // seconds to turn into HTML.
    const PasteboardData data = plainText || item.kind == ClipboardItem::Kind::text
                                    ? PasteboardData{item.text}
                                    : detailsOf(item).paste;
    // Before the write: the write itself is the change that must not be captured.
    m_selfCopyUntilChangeCount = m_pasteboard.changeCount() + 1;
    m_pasteboard.setContents(data);
}

void ClipboardMonitor::clearHistory() {
    m_lastRecorded = {};
    m_recent.clear();
    rebuildItems();
}

void ClipboardMonitor::togglePin(const QUuid &id) {
    const auto hasId = [&id](const ClipboardItem &item) { return item.id == id; };
    if (const auto it = std::find_if(m_pinned.cbegin(), m_pinned.cend(), hasId);
        it != m_pinned.cend()) {
        const qsizetype index = it - m_pinned.cbegin();
        ClipboardItem item = m_pinned.takeAt(index);
        item.id = QUuid::createUuid();
        item.copiedAt = m_clock();
        item.isPinned = false;
        m_recent.prepend(std::move(item));
        capRecent();
    } else if (const auto it = std::find_if(m_recent.cbegin(), m_recent.cend(), hasId);
               it != m_recent.cend()) {
        const qsizetype index = it - m_recent.cbegin();
        ClipboardItem item = m_recent.takeAt(index);
        item.isPinned = true;
        m_pinned.prepend(std::move(item));
    } else {
        return;
    }
    m_pinStore.savePins(m_pinned);
    rebuildItems();
}

void ClipboardMonitor::rebuildItems() {
    m_items.clear();
    m_items.reserve(m_pinned.size() + m_recent.size());
    for (const ClipboardItem &item : std::as_const(m_pinned))
        if (item.details)
            m_items.append(item);
    m_items.append(m_recent);
    armPruneTimer();
    Q_EMIT itemsChanged();
}

void ClipboardMonitor::capRecent() {
    qint64 bytes = 0;
    qsizetype kept = 0;
    for (const ClipboardItem &item : std::as_const(m_recent)) {
        bytes += memoryOf(item);
        if (kept == maxRecent || (kept > 0 && bytes > maxRecentBytes))
            break;
        ++kept;
    }
    if (kept < m_recent.size())
        m_recent.remove(kept, m_recent.size() - kept);
}
