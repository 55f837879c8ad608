#pragma once

#include "platform/Pasteboard.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>

#include "platform/x11/ForeignClipboardOffer.h"
#include "platform/x11/SelectionWatcher.h"

class QClipboard;
class QMimeData;

// The CLIPBOARD selection (PRIMARY is ignored). The change count advances on each write of ours
// and on every change of owner the server reports that is not one of our writes. Another client's
// content is read on the capture worker over a connection of our own with short waits, once per
// change, so an owner that never answers holds nothing up.
class X11Pasteboard : public Pasteboard {
    Q_OBJECT
public:
    explicit X11Pasteboard(
        SelectionWatcher::Detection detection = SelectionWatcher::Detection::automatic,
        QObject *parent = nullptr);
    ~X11Pasteboard() override;

    qint64 changeCount() const override { return m_changeCount; }

    std::unique_ptr<PasteboardContents> contents() override;

    void setContents(const PasteboardData &data) override;
    bool holdsOwnWrite() override;

private:
    std::shared_ptr<ForeignClipboardOffer::SharedReader> reader();
    // Whether this program holds the clipboard, as the X server sees it.
    bool ownsClipboard();
    // Whether the window is one of Qt's, which write our own contents.
    bool isOwnWindow(quint32 window) const;
    void watched(SelectionWatcher::Change change, quint32 owner);

    QPointer<QClipboard> m_clipboard;
    qint64 m_changeCount = 0;
    bool m_writing = false;                 // inside setContents, which counts its own change
    QPointer<const QMimeData> m_countedOwn; // the contents of ours last counted
    QPointer<QMimeData> m_written;          // owned by the clipboard once handed over
    std::shared_ptr<ForeignClipboardOffer::SharedReader> m_reader;
    SelectionWatcher *m_watcher = nullptr; // a child
};
