#pragma once

#include <QTextDocument>

// A text document that never loads a resource. Copied HTML is a stranger's: through an image,
// a style sheet or a background it can name a local file, a pipe or a device, and the stock
// document would open and read it (without end, for /dev/zero). data: URLs are refused too:
// the history keeps text and formatting, never pictures from inside a document.
class InertTextDocument : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int, const QUrl &) override { return {}; }
};
