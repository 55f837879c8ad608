#include "platform/wayland/WaylandPasteboard.h"

#include "platform/OfferedPasteboardContents.h"
#include "platform/OwnClipboardOffer.h"
#include "platform/SystemLog.h"
#include "platform/wayland/DataControlOffer.h"
#include "platform/wayland/PipeWriters.h"
#include "platform/wayland/WaylandClipboardOffer.h"
#include "platform/wayland/WaylandConnection.h"

#include <wlr-data-control-unstable-v1-client.h>

WaylandPasteboard::WaylandPasteboard(WaylandConnection &connection, QObject *parent)
    : Pasteboard(parent)
    , m_connection(connection)
    , m_writers(std::make_unique<PipeWriters>(
          PipeTransfer::Patience{ownerPatience.silent, ownerPatience.busy, ownerPatience.total})) {
    if (!m_connection.dataControl() || !m_connection.seat()) {
        if (m_connection.isConnected())
            SystemLog::write(QStringLiteral("Tallowquill: the Wayland compositor offers no data "
                                            "control; copies are not recorded"));
        return;
    }
    static const zwlr_data_control_device_v1_listener listener{&dataOffer, &selection, &finished,
                                                               &primarySelection};
    m_device = zwlr_data_control_manager_v1_get_data_device(m_connection.dataControl(),
                                                            m_connection.seat());
    zwlr_data_control_device_v1_add_listener(m_device, &listener, this);
    // The compositor tells the selection of the moment at once: what was there before we came.
    m_connection.roundTrip();
    m_started = true;
    connect(&m_connection, &WaylandConnection::lost, this, &WaylandPasteboard::stop);
}

WaylandPasteboard::~WaylandPasteboard() {
    stop();
}

void WaylandPasteboard::stop() {
    m_source.reset();
    if (m_current)
        m_current->withdraw();
    m_current.reset();
    m_announced.clear();
    if (m_device)
        zwlr_data_control_device_v1_destroy(m_device);
    m_device = nullptr;
    m_connection.flush();
}

void WaylandPasteboard::dataOffer(void *data, zwlr_data_control_device_v1 *,
                                  zwlr_data_control_offer_v1 *offer) {
    auto *self = static_cast<WaylandPasteboard *>(data);
    self->m_announced.insert(offer, std::make_shared<DataControlOffer>(offer, self->m_connection));
}

void WaylandPasteboard::primarySelection(void *data, zwlr_data_control_device_v1 *,
                                         zwlr_data_control_offer_v1 *offer) {
    // Not ours to record: its offer is let go at once.
    static_cast<WaylandPasteboard *>(data)->m_announced.remove(offer);
}

void WaylandPasteboard::finished(void *data, zwlr_data_control_device_v1 *) {
    SystemLog::write(QStringLiteral("Tallowquill: the Wayland compositor withdrew the clipboard; "
                                    "copies are no longer recorded"));
    static_cast<WaylandPasteboard *>(data)->stop();
}

void WaylandPasteboard::selection(void *data, zwlr_data_control_device_v1 *,
                                  zwlr_data_control_offer_v1 *offer) {
    static_cast<WaylandPasteboard *>(data)->selected(offer);
}

void WaylandPasteboard::selected(zwlr_data_control_offer_v1 *offer) {
    std::shared_ptr<DataControlOffer> chosen = offer ? m_announced.take(offer) : nullptr;
    // Offers announced and never chosen are gone for good.
    m_announced.clear();
    if (m_current)
        m_current->withdraw();
    m_current = std::move(chosen);

    // While our source lives the selection is ours: another program's copy cancels it first.
    // Until the compositor has answered our last write, what it tells is that write's echo or a
    // copy the write already replaced.
    if (!m_started || m_source || m_writesUnanswered > 0)
        return;
    m_holdsOwnWrite = false;
    ++m_changeCount;
    Q_EMIT changed();
    if (!offer)
        Q_EMIT ownerLeft(m_changeCount);
}

void WaylandPasteboard::replaced() {
    // Another program's copy took the clipboard from our write; its selection follows.
    m_source.reset();
    m_holdsOwnWrite = false;
}

std::unique_ptr<PasteboardContents> WaylandPasteboard::contents() {
    if (m_holdsOwnWrite)
        return std::make_unique<OfferedPasteboardContents>(
            std::make_unique<OwnClipboardOffer>(m_written));
    return std::make_unique<OfferedPasteboardContents>(
        std::make_unique<WaylandClipboardOffer>(m_current, ownerPatience));
}

void WaylandPasteboard::setContents(const PasteboardData &data) {
    DataControlSource::Flavours flavours;
    if (data.string) {
        // Some toolkits discard an offer of text without the charset spelled out; older clients
        // know only the X11 names.
        const QByteArray utf8 = data.string->toUtf8();
        for (const char *type :
             {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "STRING", "TEXT"})
            flavours.append({QByteArray(type), utf8});
    }
    if (data.html)
        flavours.append({QByteArrayLiteral("text/html"), *data.html});
    if (data.rtf)
        flavours.append({QByteArrayLiteral("text/rtf"), *data.rtf});
    if (data.png)
        flavours.append({QByteArrayLiteral("image/png"), *data.png});

    m_written = flavours;
    m_holdsOwnWrite = true;
    // Reads of the copy we replace stop now.
    if (m_current)
        m_current->withdraw();
    m_current.reset();
    if (m_device) {
        std::unique_ptr<DataControlSource> previous = std::move(m_source);
        if (!flavours.isEmpty()) {
            m_source = std::make_unique<DataControlSource>(m_connection, std::move(flavours),
                                                           *m_writers, [this] { replaced(); });
        }
        zwlr_data_control_device_v1_set_selection(m_device, m_source ? m_source->proxy() : nullptr);
        ++m_writesUnanswered;
        m_connection.sync(this, [this] { --m_writesUnanswered; });
        m_connection.flush();
    }
    ++m_changeCount;
    Q_EMIT changed();
}
