#include "history/ContentKey.h"

#include "platform/HeavyWork.h"

#include <QHash>

namespace {

bool hasOverlongCombiningRun(const QString &text) {
    int run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        run = QChar::combiningClass(c) != 0 ? run + 1 : 0;
        if (run > ContentKey::maxCombiningRun)
            return true;
    }
    return false;
}

} // namespace

ContentKey::ContentKey(const ClipboardItem &item)
    : m_isImage(item.kind == ClipboardItem::Kind::image) {
    if (m_isImage) {
        m_hasBytes = item.imageData.has_value();
        if (m_hasBytes) {
            m_bytes = *item.imageData;
            m_hash = qHash(m_bytes);
        }
    } else {
        HeavyWork::check("normalising");
        // Canonically equivalent texts have the same composed form, so comparing the NFC forms
        // compares the texts as Unicode does. Mostly a quick check that finds nothing to change.
        m_text = hasOverlongCombiningRun(item.text)
                     ? item.text
                     : item.text.normalized(QString::NormalizationForm_C);
        if (m_text.constData() != item.text.constData())
            m_ownBytes = m_text.size() * qint64(sizeof(QChar));
        m_hash = qHash(m_text);
    }
}

bool operator==(const ContentKey &a, const ContentKey &b) {
    if (a.m_isImage != b.m_isImage || a.m_hasBytes != b.m_hasBytes || a.m_hash != b.m_hash)
        return false;
    // Sizes first: QString and QByteArray compare lengths before contents.
    return a.m_isImage ? a.m_bytes == b.m_bytes : a.m_text == b.m_text;
}
