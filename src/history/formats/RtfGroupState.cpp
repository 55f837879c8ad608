#include "history/formats/RtfGroupState.h"

namespace {

constexpr int kMaxFontSize = 3276;

} // namespace

bool RtfCharState::apply(RtfControlWord word, int parameter, bool on) {
    using Word = RtfControlWord;
    const int p = parameter;
    switch (word) {
    case Word::b:
        bold = on;
        return true;
    case Word::i:
        italic = on;
        return true;
    case Word::ul:
        underline = on;
        return true;
    case Word::ulnone:
        underline = false;
        return true;
    case Word::strike:
    case Word::striked:
        strike = on;
        return true;
    case Word::v:
        hidden = on;
        return true;
    case Word::fs:
        if (p > 0)
            fontSize = qMin(p, kMaxFontSize);
        return true;
    case Word::cf:
        color = p;
        return true;
    case Word::cb:
        background = p;
        return true;
    case Word::f:
        font = p;
        return true;
    case Word::super:
        vertical = QTextCharFormat::AlignSuperScript;
        return true;
    case Word::sub:
        vertical = QTextCharFormat::AlignSubScript;
        return true;
    case Word::up: // raised or lowered by N half-points: shown as super- and subscript
        vertical = p > 0 ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignNormal;
        return true;
    case Word::dn:
        vertical = p > 0 ? QTextCharFormat::AlignSubScript : QTextCharFormat::AlignNormal;
        return true;
    case Word::nosupersub:
        vertical = QTextCharFormat::AlignNormal;
        return true;
    case Word::plain:
        *this = RtfCharState();
        return true;
    case Word::ab:
        associatedBold = on;
        return true;
    case Word::ai:
        associatedItalic = on;
        return true;
    case Word::afs:
        associatedFontSize = qBound(0, p, kMaxFontSize);
        return true;
    case Word::rtlch:
    case Word::dbch:
        associated = true;
        return true;
    case Word::ltrch:
    case Word::loch:
    case Word::hich:
        associated = false;
        return true;
    default:
        return false;
    }
}

bool RtfParagraphState::apply(RtfControlWord word, int parameter) {
    using Word = RtfControlWord;
    switch (word) {
    case Word::pard:
        *this = RtfParagraphState();
        return true;
    case Word::ql:
        alignment = Qt::AlignLeft;
        return true;
    case Word::qc:
        alignment = Qt::AlignHCenter;
        return true;
    case Word::qr:
        alignment = Qt::AlignRight;
        return true;
    case Word::qj:
        alignment = Qt::AlignJustify;
        return true;
    case Word::li:
        leftIndent = parameter;
        return true;
    case Word::ri:
        rightIndent = parameter;
        return true;
    case Word::fi:
        firstIndent = parameter;
        return true;
    case Word::rtlpar:
        rightToLeft = true;
        return true;
    case Word::ltrpar:
        rightToLeft = false;
        return true;
    default:
        return false;
    }
}
