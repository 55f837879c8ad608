#include "platform/OfferedPasteboardContents.h"

#include "platform/ClipboardTargets.h"

OfferedPasteboardContents::Found
OfferedPasteboardContents::firstOffered(const QByteArrayList &targets, qsizetype limit) {
    const QByteArrayList offered = m_offer->targets();
    for (const QByteArray &target : targets) {
        if (!offered.contains(target))
            continue;
        Flavour<QByteArray> bytes = m_offer->data(target, limit);
        // Another target of the same flavour is the same content, as large.
        if (bytes.value || bytes.oversize)
            return {target, std::move(bytes)};
    }
    return {};
}

Flavour<QString> OfferedPasteboardContents::string(qsizetype limit) {
    const Found found = firstOffered(ClipboardTargets::text(), limit);
    if (!found.bytes.value)
        return {std::nullopt, found.bytes.oversize};
    return {ClipboardTargets::decodeText(found.target, *found.bytes.value)};
}

Flavour<QByteArray> OfferedPasteboardContents::rtfData(qsizetype limit) {
    return firstOffered(ClipboardTargets::rtf(), limit).bytes;
}

Flavour<QByteArray> OfferedPasteboardContents::htmlData(qsizetype limit) {
    return firstOffered(ClipboardTargets::html(), limit).bytes;
}

Flavour<PasteboardImage> OfferedPasteboardContents::image(qsizetype limit) {
    // Some owners advertise image targets they then refuse or leave empty: try the next.
    for (const QByteArray &target : ClipboardTargets::images(m_offer->targets())) {
        const Flavour<QByteArray> bytes = m_offer->data(target, limit);
        if (bytes.value && !bytes.value->isEmpty())
            return {PasteboardImage{*bytes.value, target}};
        if (bytes.oversize)
            return {std::nullopt, bytes.oversize};
    }
    return {};
}

bool OfferedPasteboardContents::isConcealed() {
    if (!m_offer->targets().contains(ClipboardTargets::passwordManagerHint))
        return false;
    return m_offer->data(ClipboardTargets::passwordManagerHint, 64).value ==
           QByteArrayLiteral("secret");
}
