#include "platform/wayland/PipeWriters.h"

#include "platform/LogQuote.h"
#include "platform/SystemLog.h"

using Status = PipeTransfer::Result::Status;

PipeWriters::PipeWriters(PipeTransfer::Patience patience)
    : m_patience(patience) {
    m_pool.setMaxThreadCount(kWriters);
}

PipeWriters::~PipeWriters() {
    m_stop.set();
    // Runs the ones still waiting too, which stop at once: each owns a descriptor to close.
    m_pool.waitForDone();
}

void PipeWriters::write(UniqueFd fd, const QByteArray &mimeType, const QByteArray &data) {
    if (m_waiting.fetch_add(1) >= kMaxWaiting) {
        --m_waiting;
        SystemLog::write(QStringLiteral("Tallowquill: %1 pastes are already waiting; a paste of "
                                        "%2 is refused")
                             .arg(kMaxWaiting)
                             .arg(logQuoted(QString::fromLatin1(mimeType))));
        return;
    }
    // QThreadPool copies its jobs: the descriptor travels as a number, owned again inside.
    m_pool.start([this, fd = fd.release(), mimeType, data] {
        const UniqueFd owned(fd);
        --m_waiting;
        const PipeTransfer::Result result =
            PipeTransfer::write(owned.get(), data, m_patience, {m_stop.fd()});
        if (result.status == Status::Silent || result.status == Status::Overdue) {
            SystemLog::write(
                QStringLiteral("Tallowquill: a program pasting %1 stopped reading after %2 of "
                               "%3 bytes; the paste is given up")
                    .arg(logQuoted(QString::fromLatin1(mimeType)))
                    .arg(result.size)
                    .arg(data.size()));
        }
    });
}
