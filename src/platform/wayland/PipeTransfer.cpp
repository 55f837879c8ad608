#include "platform/wayland/PipeTransfer.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace PipeTransfer {

namespace {
using Clock = std::chrono::steady_clock;
using Status = Result::Status;
using std::chrono::milliseconds;

constexpr qsizetype kChunk = 64 * 1024;

// Waits until `fd` is ready for `events`; the status that ends the transfer otherwise.
std::optional<Status> waitFor(int fd, short events, Clock::time_point quietUntil,
                              Clock::time_point end, const QList<int> &stops) {
    for (;;) {
        const Clock::time_point deadline = std::min(quietUntil, end);
        const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Clock::now() >= end ? Status::Overdue : Status::Silent;
        QList<pollfd> fds{{fd, events, 0}};
        for (int stop : stops)
            fds.append({stop, POLLIN, 0});
        const int ready = ::poll(fds.data(), nfds_t(fds.size()), int(left.count()));
        if (ready < 0 && errno != EINTR)
            return Status::Failed;
        for (qsizetype i = 1; ready > 0 && i < fds.size(); ++i) {
            if (fds[i].revents)
                return Status::Cancelled;
        }
        if (ready > 0 && fds[0].revents)
            return std::nullopt;
    }
}

// Blocks SIGPIPE in this thread while it lives, and drops one raised meanwhile: the write then
// fails with EPIPE instead of ending the program. Ignoring it process-wide would change it for
// every other part of the program and for the programs it starts.
class SigpipeHeldBack {
public:
    SigpipeHeldBack() {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_previous);
    }
    ~SigpipeHeldBack() {
        const timespec now{0, 0};
        while (sigtimedwait(&m_pipe, nullptr, &now) == SIGPIPE) {
        }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    SigpipeHeldBack(const SigpipeHeldBack &) = delete;
    SigpipeHeldBack &operator=(const SigpipeHeldBack &) = delete;

private:
    sigset_t m_pipe;
    sigset_t m_previous;
};

void makeNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}
} // namespace

Result read(int fd, qsizetype maxBytes, const Patience &patience, const QList<int> &stops) {
    makeNonBlocking(fd);
    const Clock::time_point end = Clock::now() + patience.total;
    Clock::time_point quietUntil = Clock::now() + patience.first;
    QByteArray data;
    for (;;) {
        if (const std::optional<Status> stopped = waitFor(fd, POLLIN, quietUntil, end, stops))
            return {*stopped, {}, data.size()};
        const qsizetype want = std::min(kChunk, maxBytes + 1 - data.size());
        const qsizetype had = data.size();
        data.resize(had + want);
        const ssize_t got = ::read(fd, data.data() + had, size_t(want));
        data.resize(had + std::max<ssize_t>(got, 0));
        if (got == 0)
            return {Status::Done, data, data.size()};
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return {Status::Failed, {}, data.size()};
        }
        if (data.size() > maxBytes)
            return {Status::TooLarge, {}, data.size()};
        quietUntil = Clock::now() + patience.next;
    }
}

Result write(int fd, const QByteArray &data, const Patience &patience, const QList<int> &stops) {
    const SigpipeHeldBack heldBack;
    makeNonBlocking(fd);
    const Clock::time_point end = Clock::now() + patience.total;
    Clock::time_point quietUntil = Clock::now() + patience.first;
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t wrote =
            ::write(fd, data.constData() + sent, size_t(std::min(kChunk, data.size() - sent)));
        if (wrote > 0) {
            sent += wrote;
            quietUntil = Clock::now() + patience.next;
            continue;
        }
        if (wrote < 0 && errno == EPIPE)
            return {Status::Closed, {}, sent};
        if (wrote < 0 && errno != EAGAIN && errno != EINTR)
            return {Status::Failed, {}, sent};
        if (const std::optional<Status> stopped = waitFor(fd, POLLOUT, quietUntil, end, stops))
            return {*stopped, {}, sent};
    }
    return {Status::Done, {}, sent};
}

} // namespace PipeTransfer
