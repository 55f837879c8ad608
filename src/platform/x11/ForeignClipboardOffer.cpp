#include "platform/x11/ForeignClipboardOffer.h"

#include "platform/ClipboardTargets.h"
#include "platform/SystemLog.h"

using Status = SelectionReader::Transfer::Status;

namespace {
// TARGETS is a short list of atoms.
constexpr qsizetype kMaxTargetsBytes = 64 * 1024;
} // namespace

ForeignClipboardOffer::ForeignClipboardOffer(std::shared_ptr<SharedReader> reader,
                                             Patience patience)
    : m_reader(std::move(reader))
    , m_patience(patience) {}

SelectionReader::Transfer ForeignClipboardOffer::read(const QByteArray &target,
                                                      qsizetype maxBytes) {
    const std::lock_guard lock(m_reader->mutex);
    // A large selection can take an office program seconds to render; one that has not sent a
    // thing yet gets a short wait, so a silent owner costs little.
    const std::chrono::milliseconds answer = m_hasSent ? m_patience.busy : m_patience.silent;
    SelectionReader::Transfer transfer = m_reader->reader.read(
        target, {answer, m_patience.busy, m_patience.total, maxBytes, &m_cancelled});
    m_hasSent = m_hasSent || transfer.status == Status::Received;
    // Requests go to whoever owns the clipboard at the time: once that is someone else, the
    // bytes may be theirs (a password manager's, say), and mixing them in would be wrong.
    if (m_reader->reader.owner() != m_owner) {
        m_targets.clear();
        return {Status::Refused, {}};
    }
    return transfer;
}

QByteArrayList ForeignClipboardOffer::targets() {
    if (m_listed)
        return m_targets;
    m_listed = true;
    SelectionReader::Targets listed;
    {
        const std::lock_guard lock(m_reader->mutex);
        m_owner = m_reader->reader.owner();
        listed = m_reader->reader.targets({m_patience.silent, m_patience.silent, m_patience.silent,
                                           kMaxTargetsBytes, &m_cancelled});
        m_hasSent = listed.status == Status::Received;
        if (m_reader->reader.owner() != m_owner)
            return {};
    }
    switch (listed.status) {
    case Status::Received:
        m_targets = listed.names;
        break;
    case Status::Refused:
        // Old clients know no TARGETS yet may still give text when asked for it.
        m_targets = ClipboardTargets::text();
        break;
    case Status::Silent:
    case Status::Overdue:
        giveUp(QByteArrayLiteral("TARGETS"), {listed.status, {}, 0});
        break;
    case Status::TooLarge:
        // Asked once per offer, so one line per copy.
        SystemLog::write(QStringLiteral("Tallowquill: clipboard \"TARGETS\" list of %1 bytes is "
                                        "over the %2 KiB limit; not recorded")
                             .arg(listed.size)
                             .arg(kMaxTargetsBytes >> 10));
        break;
    case Status::Failed:
    case Status::Cancelled:
        break;
    }
    return m_targets;
}

Flavour<QByteArray> ForeignClipboardOffer::data(const QByteArray &target, qsizetype maxBytes) {
    if (!targets().contains(target))
        return {};
    if (const auto known = m_data.constFind(target); known != m_data.cend())
        return *known;

    const SelectionReader::Transfer transfer = read(target, maxBytes);
    Flavour<QByteArray> result;
    switch (transfer.status) {
    case Status::Received:
        result.value = transfer.data;
        break;
    case Status::TooLarge:
        result.oversize = transfer.size;
        break;
    case Status::Silent:
    case Status::Overdue:
    case Status::Cancelled:
        giveUp(target, transfer);
        return {};
    case Status::Refused:
    case Status::Failed:
        break;
    }
    return *m_data.insert(target, result);
}

void ForeignClipboardOffer::giveUp(const QByteArray &target,
                                   const SelectionReader::Transfer &transfer) {
    logOwnerGivenUp(target,
                    transfer.status == Status::Cancelled ? OwnerGaveUp::cancelled
                    : transfer.status == Status::Overdue ? OwnerGaveUp::overdue
                                                         : OwnerGaveUp::stalled,
                    transfer.size, m_patience, m_hasSent);
    m_targets.clear();
}
