#pragma once

#include "history/ClipboardItem.h"

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class PasteboardContents;

// Reads and converts copies on a worker thread of its own, one at a time, and hands each
// finished entry back on the thread that owns the queue, in copy order. A change that is still
// waiting when a newer one arrives is dropped: its owner has given the clipboard away, so there
// is nothing of it left to read. A read under way may finish after a newer copy, but only within
// supersededPatience: an owner that trickles for ever must not hold up the copies after it.
class CaptureQueue : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds supersededPatience{3000};

    explicit CaptureQueue(QObject *parent = nullptr);
    // Cancels the read under way and waits for the worker, which then stops at once.
    ~CaptureQueue() override;
    CaptureQueue(const CaptureQueue &) = delete;
    CaptureQueue &operator=(const CaptureQueue &) = delete;

    // `change` is handed back with the entry, to say which change it came from.
    void submit(std::unique_ptr<PasteboardContents> contents, double copiedAt, qint64 change);

    // True from a submit until its capture has been handed back (or dropped).
    bool isBusy() const { return m_unsettled > 0; }

Q_SIGNALS:
    void captured(const ClipboardItem &item, qint64 change);
    // Every submitted change has been captured, dropped or found empty.
    void idle();

private:
    struct Job {
        std::shared_ptr<PasteboardContents> contents;
        double copiedAt = 0;
        qint64 change = 0;
    };
    void run();
    void settle(std::optional<ClipboardItem> item, qint64 change);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Job> m_waiting;
    std::shared_ptr<PasteboardContents> m_running;
    bool m_stopping = false;
    int m_unsettled = 0;  // on the owning thread only
    std::thread m_worker; // last: started once everything above exists
};
