#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// An image flavour as offered: its encoded bytes and the MIME type they claim to be.
struct PasteboardImage {
    QByteArray data;
    QByteArray mimeType; // for example "image/png"
};

// One flavour as read: its value when offered within the size asked for. When it was offered
// but is larger, there is no value and `oversize` is its size in bytes as far as the owner told
// it (at least the limit plus one).
template <typename T>
struct Flavour {
    std::optional<T> value;
    qint64 oversize = 0;
};

// What one change of the clipboard offers. Taken on the main thread, then read on one worker
// thread at a time: a read may wait on the program that owns the clipboard, and every byte is
// that program's to choose. Each flavour is fetched at most once; `limit` is in bytes as sent.
class PasteboardContents {
public:
    virtual ~PasteboardContents() = default;

    // The plain-text flavour.
    virtual Flavour<QString> string(qsizetype limit) = 0;
    // The raw bytes of the RTF flavour.
    virtual Flavour<QByteArray> rtfData(qsizetype limit) = 0;
    // The raw bytes of the HTML flavour as offered (any encoding).
    virtual Flavour<QByteArray> htmlData(qsizetype limit) = 0;
    // The best image flavour offered (PNG first).
    virtual Flavour<PasteboardImage> image(qsizetype limit) = 0;
    // The owner marked the contents as a secret (password managers do): never record them.
    virtual bool isConcealed() = 0;

    // Makes reads under way, and later ones, give up at once. Safe from any thread.
    virtual void cancel() {}
};

// What one write of ours offers, every flavour at once; nothing at all empties the clipboard.
struct PasteboardData {
    std::optional<QString> string{};
    std::optional<QByteArray> rtf{};
    std::optional<QByteArray> html{}; // UTF-8
    std::optional<QByteArray> png{};
};

// The system clipboard as the history needs it. All calls are made on the main thread.
class Pasteboard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Advances every time the contents are replaced, by this program or any other; never goes
    // down. One write of ours moves it by exactly one.
    virtual qint64 changeCount() const = 0;

    // The contents of the current change, to be read away from the main thread. Never waits.
    virtual std::unique_ptr<PasteboardContents> contents() = 0;

    // Replaces the contents with `data`, complete before anyone can ask for it, and advances
    // the change count by exactly one.
    virtual void setContents(const PasteboardData &data) = 0;

    // Whether the contents are still those of this program's last setContents. A copy another
    // program made a moment before that write may be reported after it, and must not make the
    // write pass for a copy.
    virtual bool holdsOwnWrite() = 0;

    // Whether another program emptying the clipboard on purpose can be told from its owner going
    // away. Where it cannot (Wayland tells only that the clipboard is empty), every emptying by
    // another program is reported as ownerLeft.
    virtual bool tellsClearFromOwnerLeaving() const { return true; }

Q_SIGNALS:
    // The change count moved, by this program or another. Several changes may be told at once.
    void changed();
    // The program that owned the contents went away (it quit or closed the window that held
    // them) and took them along: the clipboard is empty from change `changeCount` on. Sent once
    // for each such change, and never when an owner empties the clipboard on purpose unless
    // tellsClearFromOwnerLeaving() is false.
    void ownerLeft(qint64 changeCount);
};
