#include "history/formats/RtfControlWord.h"

#include <unordered_map>

namespace {

using Word = RtfControlWord;

const std::unordered_map<std::string_view, Word> &wordTable() {
    static const std::unordered_map<std::string_view, Word> table = [] {
        // clang-format off
        std::unordered_map<std::string_view, Word> t = {
            {"b", Word::b}, {"i", Word::i}, {"ul", Word::ul}, {"ulnone", Word::ulnone},
            {"strike", Word::strike}, {"striked", Word::striked}, {"v", Word::v}, {"fs", Word::fs},
            {"cf", Word::cf}, {"cb", Word::cb}, {"highlight", Word::cb}, {"chcbpat", Word::cb},
            {"f", Word::f}, {"super", Word::super}, {"sub", Word::sub}, {"up", Word::up},
            {"dn", Word::dn}, {"nosupersub", Word::nosupersub}, {"plain", Word::plain},
            {"ab", Word::ab}, {"ai", Word::ai}, {"afs", Word::afs}, {"rtlch", Word::rtlch},
            {"dbch", Word::dbch}, {"ltrch", Word::ltrch}, {"loch", Word::loch},
            {"hich", Word::hich}, {"pard", Word::pard}, {"ql", Word::ql}, {"qc", Word::qc},
            {"qr", Word::qr}, {"qj", Word::qj}, {"li", Word::li}, {"ri", Word::ri},
            {"fi", Word::fi}, {"rtlpar", Word::rtlpar}, {"ltrpar", Word::ltrpar}, {"uc", Word::uc},
            {"u", Word::u}, {"par", Word::par}, {"sect", Word::par}, {"page", Word::par},
            {"line", Word::line}, {"tab", Word::tab}, {"cell", Word::cell},
            {"nestcell", Word::cell}, {"row", Word::row}, {"nestrow", Word::row},
            {"emdash", Word::emdash}, {"endash", Word::endash}, {"bullet", Word::bullet},
            {"lquote", Word::lquote}, {"rquote", Word::rquote}, {"ldblquote", Word::ldblquote},
            {"rdblquote", Word::rdblquote}, {"emspace", Word::emspace}, {"enspace", Word::enspace},
            {"qmspace", Word::qmspace}, {"zwj", Word::zwj}, {"zwnj", Word::zwnj},
            {"ltrmark", Word::ltrmark}, {"rtlmark", Word::rtlmark}, {"zwbo", Word::zwbo},
            {"listtext", Word::listtext}, {"pntext", Word::listtext}, {"field", Word::field},
            {"fldinst", Word::fldinst}, {"fldrslt", Word::fldrslt}, {"fonttbl", Word::fonttbl},
            {"colortbl", Word::colortbl}, {"fcharset", Word::fcharset}, {"cpg", Word::cpg},
            {"red", Word::red}, {"green", Word::green}, {"blue", Word::blue}, {"ansi", Word::ansi},
            {"mac", Word::mac}, {"pc", Word::pc}, {"pca", Word::pca}, {"ansicpg", Word::ansicpg},
            {"deff", Word::deff},
        };
        // clang-format on
        for (const char *name :
             {"pict",         "object",    "stylesheet", "info",        "header",
              "headerl",      "headerr",   "headerf",    "footer",      "footerl",
              "footerr",      "footerf",   "footnote",   "annotation",  "atnid",
              "atnauthor",    "atndate",   "atnref",     "atntime",     "xe",
              "tc",           "txe",       "private",    "themedata",   "colorschememapping",
              "latentstyles", "datastore", "xmlnstbl",   "listtable",   "listoverridetable",
              "revtbl",       "rsidtbl",   "generator",  "pn",          "nonshppict",
              "shp",          "shppict",   "bkmkstart",  "bkmkend",     "fldtype",
              "formfield",    "datafield", "userprops",  "pgdsctbl",    "ftnsep",
              "ftnsepc",      "ftncn",     "aftnsep",    "aftnsepc",    "aftncn",
              "mmathPr",      "docvar",    "template",   "filetbl",     "do",
              "objdata",      "panose",    "falt",       "fname",       "listpicture",
              "passwordhash", "defchp",    "defpap",     "protusertbl", "wgrffmtfilter",
              "fchars",       "lchars",    "pgptbl",     "blipuid"})
            t.emplace(name, Word::skipped);
        return t;
    }();
    return table;
}

} // namespace

std::optional<RtfControlWord> rtfControlWord(std::string_view name) {
    const auto found = wordTable().find(name);
    if (found == wordTable().end())
        return std::nullopt;
    return found->second;
}

bool isRtfUnderlineVariant(std::string_view name) {
    return name.size() > 2 && name.starts_with("ul") && name != "ulc";
}

char16_t rtfSpecialCharacter(RtfControlWord word) {
    switch (word) {
    case Word::line:
        return u'\u2028';
    case Word::tab:
        return u'\t';
    case Word::emdash:
        return u'\u2014';
    case Word::endash:
        return u'\u2013';
    case Word::bullet:
        return u'\u2022';
    case Word::lquote:
        return u'\u2018';
    case Word::rquote:
        return u'\u2019';
    case Word::ldblquote:
        return u'\u201C';
    case Word::rdblquote:
        return u'\u201D';
    case Word::emspace:
        return u'\u2003';
    case Word::enspace:
        return u'\u2002';
    case Word::qmspace:
        return u'\u2005';
    case Word::zwj:
        return u'\u200D';
    case Word::zwnj:
        return u'\u200C';
    case Word::ltrmark:
        return u'\u200E';
    case Word::rtlmark:
        return u'\u200F';
    case Word::zwbo:
        return u'\u200B';
    default:
        return 0;
    }
}
