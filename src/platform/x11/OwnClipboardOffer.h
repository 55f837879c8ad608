#pragma once

#include "platform/x11/ClipboardOffer.h"

#include <QMimeData>
#include <QPointer>

// The clipboard while this program owns it: read straight from the data it handed to Qt.
class OwnClipboardOffer : public ClipboardOffer {
public:
    explicit OwnClipboardOffer(const QMimeData *data)
        : m_data(data) {}

    QByteArrayList targets() const override {
        QByteArrayList targets;
        if (m_data) {
            for (const QString &format : m_data->formats())
                targets.append(format.toLatin1());
        }
        return targets;
    }

    std::optional<QByteArray> data(const QByteArray &target) override {
        const QString format = QString::fromLatin1(target);
        if (!m_data || !m_data->hasFormat(format))
            return std::nullopt;
        return m_data->data(format);
    }

private:
    QPointer<const QMimeData> m_data; // owned by the clipboard, which may drop it
};
