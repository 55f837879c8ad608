#include "platform/wayland/WaylandClipboardOffer.h"

#include "platform/HeavyWork.h"
#include "platform/wayland/UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

using Status = PipeTransfer::Result::Status;

WaylandClipboardOffer::WaylandClipboardOffer(std::shared_ptr<DataControlOffer> offer,
                                             Patience patience)
    : m_offer(std::move(offer))
    , m_patience(patience) {}

QByteArrayList WaylandClipboardOffer::targets() {
    if (!m_offer || m_gaveUp)
        return {};
    return m_offer->mimeTypes();
}

PipeTransfer::Result WaylandClipboardOffer::read(const QByteArray &target, qsizetype maxBytes) {
    // The owner decides how long this takes.
    HeavyWork::check("reading the clipboard");
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return {};
    UniqueFd readEnd(ends[0]);
    UniqueFd writeEnd(ends[1]);
    // libwayland sends a duplicate of the write end; ours must close for the end of the data
    // to show.
    if (!m_offer->receive(target, writeEnd.get()))
        return {Status::Cancelled, {}, 0};
    writeEnd.reset();
    // A large selection can take an office program seconds to render; one that has not sent a
    // thing yet gets a short wait, so a silent owner costs little.
    const std::chrono::milliseconds first = m_hasSent ? m_patience.busy : m_patience.silent;
    PipeTransfer::Result result =
        PipeTransfer::read(readEnd.get(), maxBytes, {first, m_patience.busy, m_patience.total},
                           {m_cancelled.fd(), m_offer->withdrawnFd()});
    m_hasSent = m_hasSent || result.status == Status::Done || result.size > 0;
    return result;
}

Flavour<QByteArray> WaylandClipboardOffer::data(const QByteArray &target, qsizetype maxBytes) {
    if (!targets().contains(target))
        return {};
    if (const auto known = m_data.constFind(target); known != m_data.cend())
        return *known;

    const PipeTransfer::Result result = read(target, maxBytes);
    Flavour<QByteArray> flavour;
    switch (result.status) {
    case Status::Done:
        flavour.value = result.data;
        break;
    case Status::TooLarge:
        flavour.oversize = result.size;
        break;
    case Status::Silent:
    case Status::Overdue:
    case Status::Cancelled:
        giveUp(target, result);
        return {};
    case Status::Closed:
    case Status::Failed:
        break;
    }
    return *m_data.insert(target, flavour);
}

void WaylandClipboardOffer::giveUp(const QByteArray &target, const PipeTransfer::Result &result) {
    m_gaveUp = true;
    // A newer copy replacing this one is no fault of its owner's.
    if (result.status == Status::Cancelled && !m_cancelled.isSet())
        return;
    logOwnerGivenUp(target,
                    result.status == Status::Cancelled ? OwnerGaveUp::cancelled
                    : result.status == Status::Overdue ? OwnerGaveUp::overdue
                                                       : OwnerGaveUp::stalled,
                    result.size, m_patience, m_hasSent);
}
