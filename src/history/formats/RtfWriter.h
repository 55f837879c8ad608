#pragma once

#include <QByteArray>

class QTextDocument;

// A complete RTF document of the styled text: font and colour tables, paragraphs, bold, italic,
// underline, strike-through, font size, colour and links as HYPERLINK fields. The output is
// 7-bit ASCII: other characters are written as \uN with a "?" fallback.
QByteArray rtfFromDocument(const QTextDocument &document);
