#pragma once

#include <QByteArray>
#include <QRandomGenerator>

#include <iterator>

namespace bench {

// A page of about 1 MB in the manner of a long article in several scripts: headings with ids,
// formatted paragraphs with a link each, lists and tables. styled adds the inline style a
// browser puts on every element when it copies a selection.
inline QByteArray largePage(bool styled = false) {
    const QByteArray style =
        styled ? QByteArrayLiteral(
                     " style=\"color: rgb(0, 0, 0); font-family: &quot;Times New Roman&quot;; "
                     "font-style: normal; font-weight: 400; text-align: start; "
                     "text-indent: 0px; white-space: normal;\"")
               : QByteArray();
    static const char *const vocabulary[] = {"river",    "survey",  "basin",   "marker", "season",
                                             "report",   "sample",  "ledger",  "gauge",  "north",
                                             "valley",   "crew",    "archive", "café",   "naïve",
                                             "ελληνικά", "العربية", "中文",    "😀"};
    QRandomGenerator rng(11);
    const auto words = [&](int count) {
        QByteArray out;
        for (int i = 0; i < count; ++i)
            out += QByteArray(i ? " " : "") + vocabulary[rng.bounded(int(std::size(vocabulary)))];
        return out;
    };
    QByteArray page = "<html><body><h1" + style + ">Large page</h1>\n";
    for (int section = 0; page.size() < 1'000'000; ++section) {
        const QByteArray n = QByteArray::number(section);
        const QByteArray colour =
            QByteArray::number(rng.bounded(0x1000000), 16).rightJustified(6, '0');
        page += "<h3 id=\"s" + n + "\"" + style + ">Section " + n + "</h3><p" + style + ">" +
                words(17) + ". <b>bold " + n + "</b>, <i>italic</i>, <u>underlined</u>, " +
                "<span style=\"color:#" + colour + "\">coloured</span> and <a href=\"" +
                "https://example.org/large/" + n + "\">entry " + n + "</a>. " + words(14) +
                ".</p><ul" + style + "><li>" + words(6) + ".</li><li>" + words(5) +
                ".</li></ul><table><tr><td>" + n + "</td><td>0." +
                QByteArray::number(rng.bounded(1000000)) + "</td><td>" + words(1) +
                "</td></tr></table>\n";
    }
    return page + "</body></html>";
}

} // namespace bench
