#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// An image flavour as offered: its encoded bytes and the MIME type they claim to be.
struct PasteboardImage {
    QByteArray data;
    QByteArray mimeType; // for example "image/png"
};

// The system clipboard as the history needs it. All calls are made on the main thread.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // Advances every time the contents are replaced, by this program or any other; never goes
    // down. One write of ours (clearContents and the typed writes after it) moves it by one.
    virtual qint64 changeCount() const = 0;

    // The plain-text flavour, or nothing.
    virtual std::optional<QString> string() = 0;
    // The raw bytes of the RTF flavour, or nothing.
    virtual std::optional<QByteArray> rtfData() = 0;
    // The raw bytes of the HTML flavour as offered (any encoding), or nothing.
    virtual std::optional<QByteArray> htmlData() = 0;
    // The best image flavour offered (PNG first), or nothing.
    virtual std::optional<PasteboardImage> image() = 0;
    // The owner marked the contents as a secret (password managers do): never record them.
    virtual bool isConcealed() = 0;

    // Empties the pasteboard and advances the change count by exactly one. The typed writes
    // that follow belong to the same change and do not advance it again.
    virtual void clearContents() = 0;
    virtual void setRtfData(const QByteArray &rtf) = 0;
    virtual void setHtmlData(const QByteArray &html) = 0; // UTF-8
    virtual void setString(const QString &text) = 0;
    virtual void writeImage(const QByteArray &png) = 0;
};
