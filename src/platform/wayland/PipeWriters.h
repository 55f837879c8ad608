#pragma once

#include "platform/wayland/PipeTransfer.h"
#include "platform/wayland/PollableFlag.h"
#include "platform/wayland/UniqueFd.h"

#include <QByteArray>
#include <QThreadPool>

#include <atomic>

// Answers the pastes of our own writes away from the UI thread, a few at once: a program that
// asks and never reads holds one writer until its patience runs out, never the UI.
class PipeWriters {
public:
    // Four: pastes come one at a time from a person, and a clipboard manager or two may read
    // every flavour at once; more would only let a misbehaving reader hold more threads.
    static constexpr int kWriters = 4;
    // Pastes waiting for a writer beyond this are refused at once (their pipe closed), so a
    // flood of requests costs neither descriptors nor memory without bound.
    static constexpr int kMaxWaiting = 64;

    explicit PipeWriters(PipeTransfer::Patience patience);
    // Ends the writes under way at once and waits for their threads.
    ~PipeWriters();
    PipeWriters(const PipeWriters &) = delete;
    PipeWriters &operator=(const PipeWriters &) = delete;

    // Writes `data` into `fd` and closes it. `mimeType` names it in the log.
    void write(UniqueFd fd, const QByteArray &mimeType, const QByteArray &data);

private:
    PipeTransfer::Patience m_patience;
    PollableFlag m_stop;
    std::atomic<int> m_waiting = 0;
    QThreadPool m_pool;
};
