#pragma once

#include "history/formats/RtfControlWord.h"

#include <QByteArrayView>
#include <QColor>
#include <QList>

// The colours of an RTF document (\colortbl): entries of \redN\greenN\blueN, each ended by ';'.
// An entry without components is the default colour, left to the reader.
class RtfColorTable {
public:
    // \colortbl: a new table replaces the one before.
    void begin();
    // \red, \green or \blue; any other word is ignored.
    void setComponent(RtfControlWord word, int value);
    // Text of the table: each ';' ends an entry.
    void appendText(QByteArrayView bytes);

    // Invalid for the default colour and for an index not in the table.
    QColor at(int index) const;

private:
    void commit();

    QList<QColor> m_colors;
    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
    bool m_given = false;
};
