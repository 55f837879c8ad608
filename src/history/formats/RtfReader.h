#pragma once

#include <QByteArray>

#include <memory>

class QTextDocument;

// Styled text from an RTF document, tolerant of what real programs write (unbalanced braces,
// a trailing NUL, unknown control words) and bounded in nesting depth and input size.
// HYPERLINK fields become anchors (QTextCharFormat::anchorHref). Null when the bytes are not
// an RTF document at all.
std::unique_ptr<QTextDocument> documentFromRtf(const QByteArray &rtf);
