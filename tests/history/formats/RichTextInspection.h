#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

// The document's characters with paragraphs as "\n"; unlike toPlainText() it keeps no-break
// spaces as they are.
inline QString rawText(const QTextDocument &document) {
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

// The format of the first character of the first occurrence of word.
inline QTextCharFormat formatOf(QTextDocument &document, const QString &word) {
    const qsizetype at = rawText(document).indexOf(word);
    if (at < 0)
        return {};
    QTextCursor cursor(&document);
    cursor.setPosition(int(at) + 1);
    return cursor.charFormat();
}

// Each run of text that links somewhere, with its target.
inline QList<QPair<QString, QString>> linksOf(const QTextDocument &document) {
    QList<QPair<QString, QString>> links;
    QString previousHref;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString href = fragment.charFormat().anchorHref();
            if (!href.isEmpty() && href == previousHref)
                links.last().first += fragment.text();
            else if (!href.isEmpty())
                links.append({fragment.text(), href});
            previousHref = href;
        }
        previousHref.clear();
    }
    return links;
}
