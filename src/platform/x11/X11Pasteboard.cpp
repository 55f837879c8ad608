#include "platform/x11/X11Pasteboard.h"

#include "platform/OfferedPasteboardContents.h"
#include "platform/OwnClipboardOffer.h"
#include "platform/x11/XcbConnection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

X11Pasteboard::X11Pasteboard(SelectionWatcher::Detection detection, QObject *parent)
    : Pasteboard(parent)
    , m_clipboard(QGuiApplication::clipboard())
    , m_watcher(new SelectionWatcher(detection, this)) {
    connect(m_watcher, &SelectionWatcher::changed, this, &X11Pasteboard::watched);
    // A copy made in one of our own windows (a text field) is a change like any other; the
    // server reports it as ours, so Qt has to tell. Qt also tells late of changes made before
    // one of ours: only contents not yet counted are a change.
    connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode != QClipboard::Clipboard || m_writing || !ownsClipboard())
            return;
        const QMimeData *data = m_clipboard->mimeData(QClipboard::Clipboard);
        if (data == m_countedOwn)
            return;
        m_countedOwn = data;
        ++m_changeCount;
        Q_EMIT changed();
    });
}

X11Pasteboard::~X11Pasteboard() = default;

std::unique_ptr<PasteboardContents> X11Pasteboard::contents() {
    if (ownsClipboard()) {
        // Ours: a copy of our data; asking ourselves through the server would wait on the main
        // thread, which is the one to answer.
        return std::make_unique<OfferedPasteboardContents>(std::make_unique<OwnClipboardOffer>(
            m_written ? m_written.data() : m_clipboard->mimeData(QClipboard::Clipboard)));
    }
    return std::make_unique<OfferedPasteboardContents>(
        std::make_unique<ForeignClipboardOffer>(reader(), ownerPatience));
}

std::shared_ptr<ForeignClipboardOffer::SharedReader> X11Pasteboard::reader() {
    if (!m_reader)
        m_reader = std::make_shared<ForeignClipboardOffer::SharedReader>();
    return m_reader;
}

void X11Pasteboard::watched(SelectionWatcher::Change change, quint32 owner) {
    // Our own writes were counted as they were made.
    if (change == SelectionWatcher::Change::taken && isOwnWindow(owner))
        return;
    ++m_changeCount;
    Q_EMIT changed();
    // Only while the clipboard is still empty: a copy made right after the owner quit, which the
    // watcher has yet to report, must not be overwritten.
    if (change == SelectionWatcher::Change::ownerGone && reader()->reader.owner() == XCB_NONE)
        Q_EMIT ownerLeft(m_changeCount);
}

bool X11Pasteboard::holdsOwnWrite() {
    return m_written && ownsClipboard() &&
           m_clipboard->mimeData(QClipboard::Clipboard) == m_written;
}

bool X11Pasteboard::isOwnWindow(quint32 window) const {
    xcb_connection_t *connection = qtConnection();
    if (!connection || window == XCB_NONE)
        return false;
    const xcb_setup_t *setup = xcb_get_setup(connection);
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

bool X11Pasteboard::ownsClipboard() {
    if (!m_clipboard || !m_clipboard->ownsClipboard())
        return false;
    // Qt goes on claiming the clipboard after a write of ours that lost to a copy another client
    // made a moment before (one Qt had not heard of yet). Reading our own data then would record
    // the entry we pasted as a new copy and miss theirs: ask the server who owns it.
    const std::optional<xcb_window_t> owner = reader()->reader.owner();
    return !owner || isOwnWindow(*owner);
}

void X11Pasteboard::setContents(const PasteboardData &contents) {
    Q_ASSERT(m_clipboard);
    auto data = std::make_unique<QMimeData>();
    if (contents.rtf)
        data->setData(QStringLiteral("text/rtf"), *contents.rtf);
    if (contents.html)
        data->setData(QStringLiteral("text/html"), *contents.html);
    if (contents.string) {
        // text/plain, which Qt also serves as UTF8_STRING, STRING and TEXT.
        data->setText(*contents.string);
        data->setData(QStringLiteral("text/plain;charset=utf-8"), contents.string->toUtf8());
    }
    if (contents.png)
        data->setData(QStringLiteral("image/png"), *contents.png);
    m_written = data.get();
    m_countedOwn = m_written.data();
    // Qt claims the selection with the time of the last X event it handled, so a copy made
    // elsewhere that Qt has not handled yet keeps the clipboard, as if it came after this
    // write. Both changes still move the count, so the history misses neither.
    m_writing = true;
    m_clipboard->setMimeData(data.release(), QClipboard::Clipboard); // the clipboard owns it now
    m_writing = false;
    ++m_changeCount;
    Q_EMIT changed();
}
