#include "history/formats/RtfFieldInstruction.h"

#include <QStringView>

namespace {

// Reads one argument of a field instruction: a quoted string or a word up to white space.
QStringView readArgument(QStringView text, qsizetype *pos) {
    qsizetype i = *pos;
    while (i < text.size() && text[i].isSpace())
        ++i;
    qsizetype begin = i;
    qsizetype end = i;
    if (i < text.size() && text[i] == u'"') {
        begin = ++i;
        while (i < text.size() && text[i] != u'"')
            ++i;
        end = i;
        if (i < text.size())
            ++i;
    } else {
        while (i < text.size() && !text[i].isSpace())
            ++i;
        end = i;
    }
    *pos = i;
    return text.sliced(begin, end - begin);
}

} // namespace

QString hyperlinkTarget(const QString &instruction) {
    const QStringView text = QStringView(instruction).trimmed();
    static constexpr QStringView keyword = u"HYPERLINK";
    if (!text.startsWith(keyword, Qt::CaseInsensitive))
        return {};
    QStringView address;
    QStringView location;
    qsizetype pos = keyword.size();
    while (pos < text.size()) {
        const QStringView argument = readArgument(text, &pos);
        if (argument.isEmpty())
            continue;
        if (argument.size() == 2 && argument[0] == u'\\') {
            // \l names a bookmark; \o (tooltip) and \t (target frame) take a value we ignore.
            const QChar option = argument[1].toLower();
            if (option == u'l')
                location = readArgument(text, &pos);
            else if (option == u'o' || option == u't')
                readArgument(text, &pos);
            continue;
        }
        if (address.isEmpty())
            address = argument;
    }
    QString target = address.trimmed().toString();
    if (!location.isEmpty())
        target += u'#' + location.toString();
    return target;
}
