#pragma once

#include "platform/Pasteboard.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>

class ClipboardOffer;
class QClipboard;
class QMimeData;
class SelectionReader;

// The CLIPBOARD selection (PRIMARY is ignored). The change count advances on every change Qt
// reports for it. Another client's content is read over a connection of our own with short
// waits, once per change, so an owner that never answers cannot freeze the program.
class X11Pasteboard : public QObject, public Pasteboard {
    Q_OBJECT
public:
    // How long another owner may take to list its targets, and to send a target's bytes
    // (before its first answer and between the pieces of a large transfer).
    static constexpr std::chrono::milliseconds targetsPatience{300};
    static constexpr std::chrono::milliseconds dataPatience{1000};

    explicit X11Pasteboard(QObject *parent = nullptr);
    ~X11Pasteboard() override;

    qint64 changeCount() const override { return m_changeCount; }

    std::optional<QString> string() override;
    std::optional<QByteArray> rtfData() override;
    std::optional<QByteArray> htmlData() override;
    std::optional<PasteboardImage> image() override;
    bool isConcealed() override;

    void clearContents() override;
    void setRtfData(const QByteArray &rtf) override;
    void setHtmlData(const QByteArray &html) override;
    void setString(const QString &text) override;
    void writeImage(const QByteArray &png) override;

private:
    // The contents of the current change, asked for once.
    ClipboardOffer &offer();
    SelectionReader &reader();
    // Whether this program holds the clipboard, as the X server sees it.
    bool ownsClipboard();
    struct Found {
        QByteArray target;
        QByteArray bytes;
    };
    // The first of `targets`, best first, that the owner offers and gives.
    std::optional<Found> firstOffered(const QByteArrayList &targets);
    // The data of the write under way, or nothing when no write of ours holds the clipboard.
    QMimeData *writing(const char *operation) const;

    QPointer<QClipboard> m_clipboard;
    qint64 m_changeCount = 0;
    QPointer<QMimeData> m_written; // owned by the clipboard once handed over
    std::unique_ptr<SelectionReader> m_reader;
    std::unique_ptr<ClipboardOffer> m_offer;
    qint64 m_offerChangeCount = -1;
};
