#pragma once

#include "platform/ClipboardOffer.h"

#include <QHash>
#include <QMimeData>

// The clipboard while this program owns it: a copy of the data it offers, taken on the main
// thread (the clipboard may drop the original at any time), read anywhere after.
class OwnClipboardOffer : public ClipboardOffer {
public:
    // Each target with its bytes, in the order offered.
    explicit OwnClipboardOffer(const QList<QPair<QByteArray, QByteArray>> &offered) {
        for (const auto &[target, bytes] : offered) {
            m_targets.append(target);
            m_data.insert(target, bytes);
        }
    }

    explicit OwnClipboardOffer(const QMimeData *data) {
        if (!data)
            return;
        for (const QString &format : data->formats()) {
            const QByteArray target = format.toLatin1();
            m_targets.append(target);
            m_data.insert(target, data->data(format));
        }
    }

    QByteArrayList targets() override { return m_targets; }

    Flavour<QByteArray> data(const QByteArray &target, qsizetype maxBytes) override {
        const auto found = m_data.constFind(target);
        if (found == m_data.cend())
            return {};
        if (found->size() > maxBytes)
            return {std::nullopt, found->size()};
        return {*found};
    }

private:
    QByteArrayList m_targets;
    QHash<QByteArray, QByteArray> m_data;
};
