#pragma once

#include "platform/ClipboardOffer.h"
#include "platform/x11/SelectionReader.h"

#include <QHash>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

// The clipboard while another client owns it: one owner's copy. Asks the owner for its targets
// on the first question, and for each target's bytes at most once; once another client owns the
// clipboard, nothing more is read. Once the owner has let one request go
// unanswered, the rest of this offer is skipped: a silent owner costs one short wait, never one
// per format.
class ForeignClipboardOffer : public ClipboardOffer {
public:
    using Patience = OwnerPatience;

    // The reader is shared by every offer; the mutex lets one of them use it at a time.
    struct SharedReader {
        SelectionReader reader;
        std::mutex mutex;
    };

    ForeignClipboardOffer(std::shared_ptr<SharedReader> reader, Patience patience);

    QByteArrayList targets() override;
    Flavour<QByteArray> data(const QByteArray &target, qsizetype maxBytes) override;
    void cancel() override { m_cancelled = true; }

private:
    SelectionReader::Transfer read(const QByteArray &target, qsizetype maxBytes);
    void giveUp(const QByteArray &target, const SelectionReader::Transfer &transfer);

    std::shared_ptr<SharedReader> m_reader;
    Patience m_patience;
    std::atomic<bool> m_cancelled = false;
    bool m_listed = false;
    bool m_hasSent = false;              // an owner that has answered is alive, if slow
    std::optional<xcb_window_t> m_owner; // the owner whose copy this is
    QByteArrayList m_targets;
    QHash<QByteArray, Flavour<QByteArray>> m_data;
};
