#pragma once

#include "platform/ClipboardOffer.h"
#include "platform/wayland/DataControlOffer.h"
#include "platform/wayland/PipeTransfer.h"
#include "platform/wayland/PollableFlag.h"

#include <QHash>

#include <chrono>
#include <memory>

// The clipboard while another program owns it: one owner's copy, read through pipes on the
// thread that asks. Each type's bytes are asked for at most once; once the selection changes,
// nothing more is read. Once the owner has let one request go unanswered, the rest of this offer
// is skipped: a silent owner costs one short wait, never one per format.
class WaylandClipboardOffer : public ClipboardOffer {
public:
    using Patience = OwnerPatience;

    // A null offer is an empty clipboard.
    WaylandClipboardOffer(std::shared_ptr<DataControlOffer> offer, Patience patience);

    QByteArrayList targets() override;
    Flavour<QByteArray> data(const QByteArray &target, qsizetype maxBytes) override;
    void cancel() override { m_cancelled.set(); }

private:
    PipeTransfer::Result read(const QByteArray &target, qsizetype maxBytes);
    void giveUp(const QByteArray &target, const PipeTransfer::Result &result);

    std::shared_ptr<DataControlOffer> m_offer;
    Patience m_patience;
    PollableFlag m_cancelled;
    bool m_hasSent = false; // an owner that has answered is alive, if slow
    bool m_gaveUp = false;
    QHash<QByteArray, Flavour<QByteArray>> m_data;
};
