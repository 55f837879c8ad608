#pragma once

#include <QByteArray>
#include <QList>

#include <chrono>

// Moving one flavour's bytes through a pipe to or from another program, never waiting on it for
// long: each call returns when the transfer ends, the other side keeps still too long, or any of
// `stops` becomes readable. Made on worker threads only.
namespace PipeTransfer {

// How long the other side may take. A transfer that keeps moving is never cut off for being
// slow, only at `total`.
struct Patience {
    std::chrono::milliseconds first; // before the first byte moves
    std::chrono::milliseconds next;  // between bytes once some have moved
    std::chrono::milliseconds total; // for the whole transfer
};

struct Result {
    enum class Status {
        Done,      // read to the end, or written whole
        Silent,    // the other side kept still for longer than allowed
        Overdue,   // still moving when the time for the whole ran out
        TooLarge,  // more than maxBytes to read; size says how many were seen
        Closed,    // the reader closed its end before taking everything
        Cancelled, // one of `stops` was set
        Failed,    // the descriptor gave an error
    };
    Status status = Status::Failed;
    QByteArray data; // what was read, when Done
    qint64 size = 0; // bytes moved (for TooLarge at least maxBytes + 1)
};

// Reads `fd` to its end, taking at most maxBytes + 1 bytes.
Result read(int fd, qsizetype maxBytes, const Patience &patience, const QList<int> &stops);

// Writes all of `data` to `fd`. A reader that goes away costs nothing: SIGPIPE is held back in
// the calling thread for the duration.
Result write(int fd, const QByteArray &data, const Patience &patience, const QList<int> &stops);

} // namespace PipeTransfer
