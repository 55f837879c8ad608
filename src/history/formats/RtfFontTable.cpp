#include "history/formats/RtfFontTable.h"

#include "history/formats/CodePageDecoder.h"
#include "history/formats/RtfGroupState.h"

void RtfFontTable::begin() {
    m_entry = -1;
    m_name.clear();
}

void RtfFontTable::startEntry(int font) {
    commitName();
    m_entry = m_fonts.size() < kRtfMaxTableSize || m_fonts.contains(font) ? font : -1;
    if (m_entry >= 0)
        m_fonts.insert(font, Entry());
}

void RtfFontTable::setCharset(int charset) {
    if (m_entry >= 0)
        m_fonts[m_entry].codePage = CodePageDecoder::codePageOfCharset(charset);
}

void RtfFontTable::setCodePage(int codePage) {
    if (m_entry >= 0 && codePage > 0)
        m_fonts[m_entry].codePage = codePage;
}

void RtfFontTable::appendToName(QStringView text) {
    if (m_entry >= 0)
        m_name += text;
}

void RtfFontTable::appendText(QByteArrayView bytes, const CodePageDecoder &decoder) {
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf(';');
        const QByteArrayView part = end < 0 ? bytes : bytes.first(end);
        if (m_entry >= 0)
            m_name += decoder.decode(part);
        if (end < 0)
            break;
        commitName();
        bytes = bytes.sliced(end + 1);
    }
}

void RtfFontTable::commitName() {
    if (m_entry >= 0) {
        QString name = m_name.trimmed();
        if (!name.isEmpty())
            m_fonts[m_entry].name = std::move(name);
    }
    m_name.clear();
}

int RtfFontTable::codePage(int font) const {
    const auto entry = m_fonts.constFind(resolved(font));
    return entry != m_fonts.constEnd() ? entry->codePage : 0;
}
