#include "history/CaptureQueue.h"

#include "history/PasteboardCapture.h"
#include "platform/Pasteboard.h"

#include <QTimer>

CaptureQueue::CaptureQueue(QObject *parent)
    : QObject(parent)
    , m_worker([this] { run(); }) {}

CaptureQueue::~CaptureQueue() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_waiting.reset();
        if (m_running)
            m_running->cancel();
    }
    m_wake.notify_one();
    m_worker.join();
}

void CaptureQueue::submit(std::unique_ptr<PasteboardContents> contents, double copiedAt,
                          qint64 change) {
    ++m_unsettled;
    {
        const std::lock_guard lock(m_mutex);
        // The one it replaces will never be read.
        if (m_waiting)
            --m_unsettled;
        m_waiting = Job{std::move(contents), copiedAt, change};
        if (m_running) {
            QTimer::singleShot(supersededPatience, this,
                               [this, running = std::weak_ptr(m_running)] {
                                   const std::lock_guard lock(m_mutex);
                                   if (const auto stillRunning = running.lock();
                                       stillRunning && stillRunning == m_running)
                                       stillRunning->cancel();
                               });
        }
    }
    m_wake.notify_one();
}

void CaptureQueue::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || m_waiting; });
            if (m_stopping)
                return;
            job = std::move(*m_waiting);
            m_waiting.reset();
            m_running = job.contents;
        }
        std::optional<ClipboardItem> item = captureItem(*job.contents, job.copiedAt);
        {
            const std::lock_guard lock(m_mutex);
            m_running.reset();
        }
        // Queued to this object's thread; dropped by Qt if the queue is gone by then.
        QMetaObject::invokeMethod(
            this, [this, item = std::move(item), change = job.change] { settle(item, change); },
            Qt::QueuedConnection);
    }
}

void CaptureQueue::settle(std::optional<ClipboardItem> item, qint64 change) {
    --m_unsettled;
    if (item)
        Q_EMIT captured(*item, change);
    if (!isBusy())
        Q_EMIT idle();
}
