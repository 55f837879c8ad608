#pragma once

#include "platform/ClipboardOffer.h"
#include "platform/Pasteboard.h"

#include <memory>

// One change of the clipboard, as the history reads it: the flavours mapped onto the targets its
// owner offers (X11 targets or Wayland MIME types), best first.
class OfferedPasteboardContents : public PasteboardContents {
public:
    explicit OfferedPasteboardContents(std::unique_ptr<ClipboardOffer> offer)
        : m_offer(std::move(offer)) {}

    Flavour<QString> string(qsizetype limit) override;
    Flavour<QByteArray> rtfData(qsizetype limit) override;
    Flavour<QByteArray> htmlData(qsizetype limit) override;
    Flavour<PasteboardImage> image(qsizetype limit) override;
    bool isConcealed() override;
    void cancel() override { m_offer->cancel(); }

private:
    struct Found {
        QByteArray target;
        Flavour<QByteArray> bytes;
    };
    // The first of `targets` that the owner offers and gives, or the first one too large.
    Found firstOffered(const QByteArrayList &targets, qsizetype limit);

    std::unique_ptr<ClipboardOffer> m_offer;
};
