#include "platform/x11/X11Pasteboard.h"

#include "platform/x11/OwnClipboardOffer.h"
#include "platform/x11/X11PasteboardContents.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMimeData>

namespace {
Q_LOGGING_CATEGORY(lcPasteboard, "tallowquill.x11.pasteboard")
}

X11Pasteboard::X11Pasteboard(QObject *parent)
    : QObject(parent)
    , m_clipboard(QGuiApplication::clipboard()) {
    connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            ++m_changeCount;
    });
}

X11Pasteboard::~X11Pasteboard() = default;

std::unique_ptr<PasteboardContents> X11Pasteboard::contents() {
    if (ownsClipboard()) {
        // Ours: a copy of our data; asking ourselves through the server would wait on the main
        // thread, which is the one to answer.
        return std::make_unique<X11PasteboardContents>(std::make_unique<OwnClipboardOffer>(
            m_written ? m_written.data() : m_clipboard->mimeData(QClipboard::Clipboard)));
    }
    return std::make_unique<X11PasteboardContents>(std::make_unique<ForeignClipboardOffer>(
        reader(), ForeignClipboardOffer::Patience{silentPatience, busyPatience, transferPatience}));
}

std::shared_ptr<ForeignClipboardOffer::SharedReader> X11Pasteboard::reader() {
    if (!m_reader)
        m_reader = std::make_shared<ForeignClipboardOffer::SharedReader>();
    return m_reader;
}

bool X11Pasteboard::ownsClipboard() {
    if (!m_clipboard || !m_clipboard->ownsClipboard())
        return false;
    // Qt goes on claiming the clipboard after a write of ours that lost to a copy another client
    // made a moment before (one Qt had not heard of yet). Reading our own data then would record
    // the entry we pasted as a new copy and miss theirs: ask the server who owns it.
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    const std::optional<xcb_window_t> owner = reader()->reader.owner();
    if (!x11 || !owner)
        return true;
    const xcb_setup_t *setup = xcb_get_setup(x11->connection());
    return *owner != XCB_NONE &&
           (*owner & ~setup->resource_id_mask) == setup->resource_id_base; // a window of Qt's
}

void X11Pasteboard::clearContents() {
    Q_ASSERT(m_clipboard);
    auto data = std::make_unique<QMimeData>();
    m_written = data.get();
    // The typed writes that follow fill this same object before anyone can ask for it: other
    // clients are served from the event loop, which does not run in between.
    // Qt claims the selection with the time of the last X event it handled, so a copy made
    // elsewhere that Qt has not handled yet keeps the clipboard, as if it came after this
    // write. Both changes still move the count, so the history misses neither.
    m_clipboard->setMimeData(data.release(), QClipboard::Clipboard); // the clipboard owns it now
}

QMimeData *X11Pasteboard::writing(const char *operation) const {
    if (!m_written)
        qCWarning(lcPasteboard) << operation << "without clearContents first; nothing written";
    return m_written.data();
}

void X11Pasteboard::setRtfData(const QByteArray &rtf) {
    if (QMimeData *data = writing("setRtfData"))
        data->setData(QStringLiteral("text/rtf"), rtf);
}

void X11Pasteboard::setHtmlData(const QByteArray &html) {
    if (QMimeData *data = writing("setHtmlData"))
        data->setData(QStringLiteral("text/html"), html);
}

void X11Pasteboard::setString(const QString &text) {
    if (QMimeData *data = writing("setString")) {
        // text/plain, which Qt also serves as UTF8_STRING, STRING and TEXT.
        data->setText(text);
        data->setData(QStringLiteral("text/plain;charset=utf-8"), text.toUtf8());
    }
}

void X11Pasteboard::writeImage(const QByteArray &png) {
    if (QMimeData *data = writing("writeImage"))
        data->setData(QStringLiteral("image/png"), png);
}
