#pragma once

#include "platform/Pasteboard.h"

#include <QByteArray>
#include <QByteArrayList>

#include <chrono>

// How long the program that owns the clipboard is waited for, the same on every desktop.
struct OwnerPatience {
    std::chrono::milliseconds silent; // for an owner that has sent nothing yet to answer
    std::chrono::milliseconds busy;   // for an owner that has sent data, between answers
    std::chrono::milliseconds total;  // for one target, however steadily it arrives
};

// Before an owner's first answer of a copy, and once it has sent something (before each answer
// and between the pieces of a large transfer); and the most one target may take while it keeps
// arriving (a 100 MB office selection, busy owner).
inline constexpr OwnerPatience ownerPatience{std::chrono::milliseconds(300),
                                             std::chrono::milliseconds(2000),
                                             std::chrono::milliseconds(30'000)};

// How a read from the owner ended early.
enum class OwnerGaveUp {
    cancelled, // its copy was replaced or the read called off
    overdue,   // still sending when the time for the whole ran out
    stalled,   // went quiet for longer than allowed
};

// The one log line that says why the rest of an offer is skipped. `received` is the bytes of
// the target that came; `hasSent` whether the owner had sent anything before.
void logOwnerGivenUp(const QByteArray &target, OwnerGaveUp how, qint64 received,
                     const OwnerPatience &patience, bool hasSent);

// What the clipboard holds for one change: the targets its owner offers and their bytes. Asked
// on one thread at a time, which need not be the one that made it.
class ClipboardOffer {
public:
    virtual ~ClipboardOffer() = default;

    virtual QByteArrayList targets() = 0;
    // The bytes of an offered target, or nothing when it is not offered, cannot be had, or is
    // larger than maxBytes (then with its size).
    virtual Flavour<QByteArray> data(const QByteArray &target, qsizetype maxBytes) = 0;
    // Makes reads under way and later ones give up at once; safe from any thread.
    virtual void cancel() {}
};
