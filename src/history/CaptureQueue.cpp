#include "history/CaptureQueue.h"

#include "history/ItemDetails.h"
#include "history/PasteboardCapture.h"
#include "platform/Pasteboard.h"
#include "platform/SystemLog.h"

#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// How long a capture whose read was called off may take to end with what it has.
constexpr std::chrono::milliseconds readGiveUpGrace{250};

std::atomic<int> g_busyWorkers{0};

struct Job {
    std::shared_ptr<PasteboardContents> contents;
    double copiedAt = 0;
    qint64 change = 0;
};

struct BusyWorker {
    BusyWorker() { ++g_busyWorkers; }
    ~BusyWorker() { --g_busyWorkers; }
    BusyWorker(const BusyWorker &) = delete;
    BusyWorker &operator=(const BusyWorker &) = delete;
};

} // namespace

// One worker thread's own state, under the queue's mutex.
struct CaptureQueue::Worker {
    std::shared_ptr<PasteboardContents> running;
    qint64 change = -1; // the change it captures; -1 while idle or working on loaded entries
    bool calledOff = false;
    bool leftToFinish = false;
};

// Everything the workers touch: it lives as long as the last of them, the queue may go first.
struct CaptureQueue::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::optional<Job> waiting;
    std::optional<QList<ClipboardItem>> loaded;
    CaptureQueue *queue = nullptr; // null once the queue is gone
    std::shared_ptr<Worker> current;
    bool conversionLeft = false; // a worker left to finish is still running
};

CaptureQueue::CaptureQueue(QObject *parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>()) {
    m_shared->queue = this;
    const std::lock_guard lock(m_shared->mutex);
    startWorker();
}

CaptureQueue::~CaptureQueue() {
    stop();
}

void CaptureQueue::stop() {
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->queue = nullptr;
        m_shared->waiting.reset();
        m_shared->loaded.reset();
        if (m_shared->current->running)
            m_shared->current->running->cancel();
    }
    m_shared->wake.notify_all();
}

bool CaptureQueue::anyWorkerBusy() {
    return g_busyWorkers > 0;
}

// Under the mutex.
void CaptureQueue::startWorker() {
    m_shared->current = std::make_shared<Worker>();
    std::thread(work, m_shared, m_shared->current).detach();
}

void CaptureQueue::work(std::shared_ptr<Shared> shared, std::shared_ptr<Worker> self) {
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->wake.wait(lock,
                          [&] { return !shared->queue || shared->loaded || shared->waiting; });
        if (!shared->queue)
            return;
        std::optional<QList<ClipboardItem>> loaded = std::exchange(shared->loaded, std::nullopt);
        std::optional<Job> job;
        if (!loaded) {
            job = std::exchange(shared->waiting, std::nullopt);
            self->running = job->contents;
            self->change = job->change;
        }
        // Counted before the lock is let go: whoever stops the queue and then finds no worker
        // busy knows that none will start.
        std::optional<BusyWorker> busy(std::in_place);
        lock.unlock();

        std::optional<ClipboardItem> item;
        if (loaded) {
            for (ClipboardItem &entry : *loaded)
                entry.details = ItemDetails::of(entry);
        } else if ((item = captureItem(*job->contents, job->copiedAt))) {
            item->details = ItemDetails::of(*item);
        }
        busy.reset();

        lock.lock();
        self->running.reset();
        self->change = -1;
        self->calledOff = false;
        CaptureQueue *const queue = shared->queue;
        if (self->leftToFinish) {
            shared->conversionLeft = false;
            if (queue)
                QMetaObject::invokeMethod(
                    queue, [queue] { queue->leftConversionEnded(); }, Qt::QueuedConnection);
            return;
        }
        if (!queue)
            return;
        // Posted while the queue cannot go away; Qt drops it if the queue is gone by then.
        if (loaded)
            QMetaObject::invokeMethod(
                queue, [queue, items = std::move(*loaded)] { queue->settleLoaded(items); },
                Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(
                queue,
                [queue, item = std::move(item), change = job->change] {
                    queue->settle(item, change);
                },
                Qt::QueuedConnection);
    }
}

void CaptureQueue::submit(std::unique_ptr<PasteboardContents> contents, double copiedAt,
                          qint64 change) {
    ++m_unsettled;
    {
        const std::lock_guard lock(m_shared->mutex);
        // The one it replaces will never be read.
        if (m_shared->waiting)
            --m_unsettled;
        m_shared->waiting = Job{std::move(contents), copiedAt, change};
        if (const qint64 running = m_shared->current->change; running >= 0)
            QTimer::singleShot(supersededPatience, this, [this, running] { supersede(running); });
    }
    m_shared->wake.notify_all();
}

void CaptureQueue::submitLoaded(QList<ClipboardItem> items) {
    ++m_unsettled;
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->loaded = std::move(items);
    }
    m_shared->wake.notify_all();
}

void CaptureQueue::supersede(qint64 change) {
    {
        const std::lock_guard lock(m_shared->mutex);
        const std::shared_ptr<Worker> &worker = m_shared->current;
        if (!worker->running || worker->change != change)
            return; // done by now
        // A read gives up at once and the capture goes on with what it has: only a conversion,
        // which cannot be called off, is still running a moment later.
        if (!worker->calledOff) {
            worker->calledOff = true;
            worker->running->cancel();
            QTimer::singleShot(readGiveUpGrace, this, [this, change] { supersede(change); });
            return;
        }
        if (m_shared->conversionLeft) {
            m_overdue = change; // once that one has ended
            return;
        }
        worker->leftToFinish = true;
        m_shared->conversionLeft = true;
        startWorker();
    }
    m_shared->wake.notify_all();
    SystemLog::write(QStringLiteral("Tallowquill: a copy was still being converted when a newer "
                                    "one had waited %1 s; it is not recorded")
                         .arg(supersededPatience.count() / 1000));
    settle(std::nullopt, change);
}

void CaptureQueue::leftConversionEnded() {
    if (const std::optional<qint64> overdue = std::exchange(m_overdue, std::nullopt))
        supersede(*overdue);
}

void CaptureQueue::settle(std::optional<ClipboardItem> item, qint64 change) {
    --m_unsettled;
    if (item)
        Q_EMIT captured(*item, change);
    if (!isBusy())
        Q_EMIT idle();
}

void CaptureQueue::settleLoaded(QList<ClipboardItem> items) {
    --m_unsettled;
    Q_EMIT loaded(items);
    if (!isBusy())
        Q_EMIT idle();
}
