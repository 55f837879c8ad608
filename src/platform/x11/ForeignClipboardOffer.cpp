#include "platform/x11/ForeignClipboardOffer.h"

#include "platform/x11/ClipboardTargets.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcOffer, "tallowquill.x11.clipboard")
}

ForeignClipboardOffer::ForeignClipboardOffer(SelectionReader &reader, Patience patience)
    : m_reader(reader)
    , m_patience(patience) {
    using Status = SelectionReader::Transfer::Status;
    const SelectionReader::Targets targets = m_reader.targets(m_patience.targets);
    switch (targets.status) {
    case Status::Received:
        m_targets = targets.names;
        break;
    case Status::Refused:
        // Old clients know no TARGETS yet may still give text when asked for it.
        m_targets = ClipboardTargets::text();
        break;
    case Status::Silent:
        giveUp(QByteArrayLiteral("TARGETS"), m_patience.targets);
        break;
    case Status::Failed:
        break;
    }
}

std::optional<QByteArray> ForeignClipboardOffer::data(const QByteArray &target) {
    if (!m_targets.contains(target))
        return std::nullopt;
    if (const auto known = m_data.constFind(target); known != m_data.cend())
        return *known;

    const SelectionReader::Transfer transfer = m_reader.read(target, m_patience.data);
    switch (transfer.status) {
    case SelectionReader::Transfer::Status::Received:
        return *m_data.insert(target, transfer.data);
    case SelectionReader::Transfer::Status::Silent:
        giveUp(target, m_patience.data);
        return std::nullopt;
    case SelectionReader::Transfer::Status::Refused:
    case SelectionReader::Transfer::Status::Failed:
        break;
    }
    return *m_data.insert(target, std::nullopt);
}

void ForeignClipboardOffer::giveUp(const QByteArray &target, std::chrono::milliseconds waited) {
    qCWarning(lcOffer).nospace() << "the clipboard owner did not send " << target << " within "
                                 << waited.count() << " ms; this copy is not recorded";
    m_targets.clear();
}
