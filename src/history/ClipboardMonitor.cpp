#include "history/ClipboardMonitor.h"

#include "history/CaptureQueue.h"
#include "history/PinStore.h"
#include "platform/Pasteboard.h"
#include "settings/AppSettings.h"

#include <algorithm>

ClipboardMonitor::ClipboardMonitor(Pasteboard &pasteboard, AppSettings &settings,
                                   PinStore &pinStore, Clock clock, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_settings(settings)
    , m_pinStore(pinStore)
    , m_clock(std::move(clock))
    , m_lastChangeCount(pasteboard.changeCount())
    , m_captures(new CaptureQueue(this)) {
    connect(m_captures, &CaptureQueue::captured, this, &ClipboardMonitor::add);
    connect(m_captures, &CaptureQueue::idle, this, &ClipboardMonitor::capturesSettled);
    m_pinned = m_pinStore.loadPins();
    m_pinnedKeys.reserve(m_pinned.size());
    for (const ClipboardItem &item : std::as_const(m_pinned))
        m_pinnedKeys.append(ContentKey(item));
    rebuildItems();
}

void ClipboardMonitor::start() {
    m_lastChangeCount = m_pasteboard.changeCount();
    if (m_pollTimer)
        return;
    // Qt timers keep firing while a menu is open or a modal dialog runs.
    m_pollTimer = new QTimer(this);
    m_pollTimer->setInterval(pollInterval);
    connect(m_pollTimer, &QTimer::timeout, this, &ClipboardMonitor::poll);
    m_pollTimer->start();
    m_pruneTimer = new QTimer(this);
    m_pruneTimer->setInterval(pruneInterval);
    connect(m_pruneTimer, &QTimer::timeout, this, &ClipboardMonitor::prune);
    m_pruneTimer->start();
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
    // A guard below the count stays set: counts only grow, so it can never match again.
    m_captures->submit(m_pasteboard.contents(), m_clock());
}

bool ClipboardMonitor::isCapturing() const {
    return m_captures->isBusy();
}

void ClipboardMonitor::add(ClipboardItem item) {
    ContentKey key(item);
    if (m_pinnedKeys.contains(key))
        return;
    for (qsizetype i = m_recent.size() - 1; i >= 0; --i) {
        if (m_recentKeys.at(i) == key) {
            m_recent.removeAt(i);
            m_recentKeys.removeAt(i);
        }
    }
    m_recent.prepend(std::move(item));
    m_recentKeys.prepend(std::move(key));
    capRecent();
    rebuildItems();
}

void ClipboardMonitor::prune() {
    const double cutoff = m_clock() - double(m_settings.retentionSeconds());
    qsizetype kept = 0;
    for (qsizetype i = 0; i < m_recent.size(); ++i) {
        if (m_recent.at(i).copiedAt < cutoff)
            continue;
        if (kept != i) {
            m_recent[kept] = std::move(m_recent[i]);
            m_recentKeys[kept] = std::move(m_recentKeys[i]);
        }
        ++kept;
    }
    if (kept == m_recent.size())
        return;
    m_recent.remove(kept, m_recent.size() - kept);
    m_recentKeys.remove(kept, m_recentKeys.size() - kept);
    rebuildItems();
}

void ClipboardMonitor::clearHistory() {
    m_recent.clear();
    m_recentKeys.clear();
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
        m_recentKeys.prepend(m_pinnedKeys.takeAt(index));
        capRecent();
    } else if (const auto it = std::find_if(m_recent.cbegin(), m_recent.cend(), hasId);
               it != m_recent.cend()) {
        const qsizetype index = it - m_recent.cbegin();
        ClipboardItem item = m_recent.takeAt(index);
        item.isPinned = true;
        m_pinned.prepend(std::move(item));
        m_pinnedKeys.prepend(m_recentKeys.takeAt(index));
    } else {
        return;
    }
    m_pinStore.savePins(m_pinned);
    rebuildItems();
}

void ClipboardMonitor::rebuildItems() {
    m_items = m_pinned + m_recent;
    Q_EMIT itemsChanged();
}

void ClipboardMonitor::capRecent() {
    qint64 bytes = 0;
    qsizetype kept = 0;
    for (const ClipboardItem &item : std::as_const(m_recent)) {
        bytes += item.text.size() * qint64(sizeof(QChar)) +
                 (item.rtfData ? item.rtfData->size() : 0) +
                 (item.imageData ? item.imageData->size() : 0);
        if (kept == maxRecent || (kept > 0 && bytes > maxRecentBytes))
            break;
        ++kept;
    }
    if (kept < m_recent.size()) {
        m_recent.remove(kept, m_recent.size() - kept);
        m_recentKeys.remove(kept, m_recentKeys.size() - kept);
    }
}
