#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>

class CodePageDecoder;

// The fonts of an RTF document (\fonttbl): their names and the code page their text is in.
class RtfFontTable {
public:
    // \deffN: the font of text that names none.
    void setDefaultFont(int font) { m_defaultFont = font; }

    // \fonttbl: entries that follow add to (or replace) those already read.
    void begin();
    // \fN inside the table: the entry that the next name and charset belong to.
    void startEntry(int font);
    void setCharset(int charset);
    void setCodePage(int codePage);
    void appendToName(QStringView text);
    // Bytes of the table: names separated by ';', in the code page of decoder.
    void appendText(QByteArrayView bytes, const CodePageDecoder &decoder);
    // The name read so far ends (at ';' or the end of the entry's group).
    void commitName();

    // The code page of a font (-1: the default font); 0 when it names none.
    int codePage(int font) const;
    // The code page of the entry being read, in which its name is written; 0 when it names none.
    int entryCodePage() const { return m_fonts.value(m_entry).codePage; }
    // Empty when the font is unknown or has no name.
    QString name(int font) const { return m_fonts.value(resolved(font)).name; }

private:
    struct Entry {
        QString name;
        int codePage = 0; // 0: the document's
    };

    int resolved(int font) const { return font >= 0 ? font : m_defaultFont; }

    QHash<int, Entry> m_fonts;
    int m_defaultFont = 0;
    int m_entry = -1; // -1: none, or one beyond the table's limit
    QString m_name;
};
