#pragma once

#include <optional>
#include <string_view>

// The control words the reader acts on; several RTF spellings may map to one (\sect and \page
// end a paragraph like \par).
// clang-format off
enum class RtfControlWord {
    b, i, ul, ulnone, strike, striked, v, fs, cf, cb, f, super, sub, up, dn, nosupersub, plain, ab,
    ai, afs, rtlch, dbch, ltrch, loch, hich, pard, ql, qc, qr, qj, li, ri, fi, rtlpar, ltrpar, uc,
    u, par, line, tab, cell, row, emdash, endash, bullet, lquote, rquote, ldblquote, rdblquote,
    emspace, enspace, qmspace, zwj, zwnj, ltrmark, rtlmark, zwbo, listtext, field, fldinst, fldrslt,
    fonttbl, colortbl, fcharset, cpg, red, green, blue, ansi, mac, pc, pca, ansicpg, deff,
    skipped, // a destination whose content is never text of the document
};
// clang-format on

// Nothing for a word the reader does not know.
std::optional<RtfControlWord> rtfControlWord(std::string_view name);

// \uld, \uldb, \ulwave, ... all underline; \ulc only colours the line.
bool isRtfUnderlineVariant(std::string_view name);

// The character a word stands for (\emdash, \lquote, ...); 0 for a word that is not one.
char16_t rtfSpecialCharacter(RtfControlWord word);
