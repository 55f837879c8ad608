#pragma once

#include "history/ClipboardItem.h"

#include <QList>
#include <QObject>

#include <chrono>
#include <memory>
#include <optional>

class PasteboardContents;

// Reads and converts copies on a worker thread, one at a time, and hands each finished entry
// back on the thread that owns the queue, in copy order, with its details worked out
// (ItemDetails). A change that is still waiting when a newer one arrives is dropped: its owner
// has given the clipboard away, so there is nothing of it left to read. A capture under way may
// finish after a newer copy, but only within supersededPatience: then a read is called off, and a
// conversion, which cannot be, is left to finish on its thread into nothing while a fresh worker
// takes the newer copy. One such conversion runs at a time, so hostile copies in a row cannot
// pile up threads. Nothing ever waits for a worker: each ends by itself once the queue is gone.
class CaptureQueue : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds supersededPatience{3000};

    explicit CaptureQueue(QObject *parent = nullptr);
    ~CaptureQueue() override;
    CaptureQueue(const CaptureQueue &) = delete;
    CaptureQueue &operator=(const CaptureQueue &) = delete;

    // `change` is handed back with the entry, to say which change it came from.
    void submit(std::unique_ptr<PasteboardContents> contents, double copiedAt, qint64 change);
    // Works out the details of entries that were read from a file; they are handed back before
    // any capture submitted later.
    void submitLoaded(QList<ClipboardItem> items);

    // Calls off the read under way, drops what waits and lets the workers go without waiting for
    // them; nothing is handed back after this.
    void stop();

    // True from a submit until its capture has been handed back (or dropped).
    bool isBusy() const { return m_unsettled > 0; }

    // Whether a worker of any queue is reading or converting now, a conversion left to finish
    // included.
    static bool anyWorkerBusy();

Q_SIGNALS:
    void captured(const ClipboardItem &item, qint64 change);
    void loaded(const QList<ClipboardItem> &items);
    // Every submitted change has been captured, dropped or found empty.
    void idle();

private:
    struct Shared;
    struct Worker;
    static void work(std::shared_ptr<Shared> shared, std::shared_ptr<Worker> self);
    void startWorker();
    // Calls off the capture of `change` when it is still under way.
    void supersede(qint64 change);
    void leftConversionEnded();
    void settle(std::optional<ClipboardItem> item, qint64 change);
    void settleLoaded(QList<ClipboardItem> items);

    std::shared_ptr<Shared> m_shared;
    int m_unsettled = 0; // on the owning thread only
    // A change whose capture is overdue while an earlier one is still left to finish.
    std::optional<qint64> m_overdue;
};
