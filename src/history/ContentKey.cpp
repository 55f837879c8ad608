#include "history/ContentKey.h"

#include <QHash>

ContentKey::ContentKey(const ClipboardItem &item)
    : m_isImage(item.kind == ClipboardItem::Kind::image) {
    if (m_isImage) {
        m_hasBytes = item.imageData.has_value();
        if (m_hasBytes) {
            m_bytes = *item.imageData;
            m_hash = qHash(m_bytes);
        }
    } else {
        // Canonically equivalent texts have the same composed form, so comparing the NFC forms
        // compares the texts as Unicode does. Mostly a quick check that finds nothing to change.
        m_text = item.text.normalized(QString::NormalizationForm_C);
        m_hash = qHash(m_text);
    }
}

bool operator==(const ContentKey &a, const ContentKey &b) {
    if (a.m_isImage != b.m_isImage || a.m_hasBytes != b.m_hasBytes || a.m_hash != b.m_hash)
        return false;
    // Sizes first: QString and QByteArray compare lengths before contents.
    return a.m_isImage ? a.m_bytes == b.m_bytes : a.m_text == b.m_text;
}
