#pragma once

#include "platform/x11/ClipboardOffer.h"
#include "platform/x11/SelectionReader.h"

#include <QHash>

#include <chrono>

// The clipboard while another client owns it. Asks the owner for its targets once, when
// built, and for each target's bytes at most once. An owner that stays silent makes the whole
// offer empty, so it costs one bounded wait and never another.
class ForeignClipboardOffer : public ClipboardOffer {
public:
    struct Patience {
        std::chrono::milliseconds targets; // for the list of targets
        std::chrono::milliseconds data;    // before the first answer and between INCR pieces
    };

    ForeignClipboardOffer(SelectionReader &reader, Patience patience);

    QByteArrayList targets() const override { return m_targets; }
    std::optional<QByteArray> data(const QByteArray &target) override;

private:
    void giveUp(const QByteArray &target, std::chrono::milliseconds waited);

    SelectionReader &m_reader;
    Patience m_patience;
    QByteArrayList m_targets;
    QHash<QByteArray, std::optional<QByteArray>> m_data;
};
