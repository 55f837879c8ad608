#include "history/formats/RtfColorTable.h"

#include "history/formats/RtfGroupState.h"

void RtfColorTable::begin() {
    m_colors.clear();
    m_given = false;
    m_red = m_green = m_blue = 0;
}

void RtfColorTable::setComponent(RtfControlWord word, int value) {
    int *component = word == RtfControlWord::red     ? &m_red
                     : word == RtfControlWord::green ? &m_green
                     : word == RtfControlWord::blue  ? &m_blue
                                                     : nullptr;
    if (component) {
        *component = value;
        m_given = true;
    }
}

void RtfColorTable::appendText(QByteArrayView bytes) {
    for (const char c : bytes) {
        if (c == ';')
            commit();
    }
}

QColor RtfColorTable::at(int index) const {
    return index >= 0 && index < m_colors.size() ? m_colors[index] : QColor();
}

void RtfColorTable::commit() {
    if (m_colors.size() < kRtfMaxTableSize)
        m_colors.append(
            m_given ? QColor(qBound(0, m_red, 255), qBound(0, m_green, 255), qBound(0, m_blue, 255))
                    : QColor());
    m_red = m_green = m_blue = 0;
    m_given = false;
}
