#pragma once

#include "history/formats/RtfControlWord.h"

#include <QTextCharFormat>
#include <QtGlobal>

// What an RTF group carries: every '{' copies it, every '}' restores the one before.

// Fonts, colours and fields beyond this count are ignored, so that a hostile document cannot make
// the tables grow with every few bytes of input; real documents use a few hundred at most.
constexpr qsizetype kRtfMaxTableSize = 1 << 16;

constexpr int kRtfDefaultFontSize = 24; // half-points

// Where the text of a group goes.
enum class RtfDestination { Body, FontTable, ColorTable, FieldInstruction };

struct RtfCharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    // Bidirectional and East Asian runs (\rtlch, \dbch) may carry their own \ab, \ai, \afs.
    bool associated = false;
    bool associatedBold = false;
    bool associatedItalic = false;
    int associatedFontSize = 0; // 0: not given
    int fontSize = kRtfDefaultFontSize;
    int font = -1; // -1: the document's default font
    int color = 0;
    int background = 0;
    QTextCharFormat::VerticalAlignment vertical = QTextCharFormat::AlignNormal;

    // Applies a character formatting word; false for any other word.
    bool apply(RtfControlWord word, int parameter, bool on);

    bool operator==(const RtfCharState &) const = default;
};

struct RtfParagraphState {
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0; // twips
    int rightIndent = 0;
    int firstIndent = 0;
    bool rightToLeft = false;

    // Applies a paragraph formatting word; false for any other word.
    bool apply(RtfControlWord word, int parameter);
};

struct RtfGroupState {
    RtfDestination destination = RtfDestination::Body;
    RtfCharState chr;
    RtfParagraphState paragraph;
    int unicodeSkip = 1;
    int field = -1; // the field this group belongs to
    int link = -1;  // the field whose result this text is, when that field is a hyperlink
    bool listMarker = false;
};

// What makes text one run: text with equal keys is inserted in one piece.
struct RtfRunKey {
    RtfCharState chr;
    int link = -1;

    bool operator==(const RtfRunKey &) const = default;
};
