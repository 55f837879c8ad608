#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// HTML split into tags and text the way Qt's HTML reader (Qt 6) splits it, so that what is
// measured before a conversion is what Qt will build. Qt reads markup unlike a browser: every
// '<' opens a tag and only "<!--...-->" and "<!...>" are skipped, so script and style content
// is markup like any other; a name may be quoted; in a single-quoted value a quote after a
// backslash does not end it; and words end at '<', '=', "/>", '>' and white space.
class HtmlTagScanner {
public:
    enum class Kind { text, startTag, endTag, skipped, end };

    // As written, entities not decoded; the value is "1" when the key has none. Qt compares
    // keys in lower case (QString::toLower), which is one of the ways isKey() matches.
    struct Attribute {
        QStringView key;
        QStringView value;
        bool isKey(QStringView name) const { return key.compare(name, Qt::CaseInsensitive) == 0; }
    };

    struct Token {
        Kind kind = Kind::end;
        qsizetype begin = 0;
        qsizetype end = 0;
        QString name; // a tag's, in lower case; an end tag's also trimmed
        QList<Attribute> attributes;
        bool closed = false; // a start tag with a '/' before its '>': Qt does not nest into it
        // A name or key holds '&': Qt decodes entities there, and which tag it is is not known.
        bool encoded = false;
    };

    explicit HtmlTagScanner(QStringView html)
        : m_html(html) {}

    Token next();
    // Goes on from pos, as if what lay in between were not there.
    void skipTo(qsizetype pos) { m_pos = pos; }

private:
    QStringView word();
    void skipSpace();
    void skipPast(QChar c);
    void readStartTag(Token &token);

    QStringView m_html;
    qsizetype m_pos = 0;
};
