#include "platform/wayland/DataControlOffer.h"

#include "platform/wayland/WaylandConnection.h"

#include <wlr-data-control-unstable-v1-client.h>

#include <cstring>

namespace {
// Real owners offer a few dozen types; thousands, or names of kilobytes, are an attack on our
// memory.
constexpr qsizetype kMaxMimeTypes = 256;
constexpr size_t kMaxMimeTypeLength = 256;
} // namespace

DataControlOffer::DataControlOffer(zwlr_data_control_offer_v1 *offer, WaylandConnection &connection)
    : m_offer(offer)
    , m_connection(&connection) {
    static const zwlr_data_control_offer_v1_listener listener{&offered};
    zwlr_data_control_offer_v1_add_listener(m_offer, &listener, this);
}

DataControlOffer::~DataControlOffer() {
    withdraw();
}

void DataControlOffer::offered(void *data, zwlr_data_control_offer_v1 *, const char *mimeType) {
    auto *self = static_cast<DataControlOffer *>(data);
    if (self->m_mimeTypes.size() >= kMaxMimeTypes ||
        ::strnlen(mimeType, kMaxMimeTypeLength + 1) > kMaxMimeTypeLength)
        return;
    const QByteArray type(mimeType);
    if (!self->m_mimeTypes.contains(type))
        self->m_mimeTypes.append(type);
}

bool DataControlOffer::receive(const QByteArray &mimeType, int fd) {
    // libwayland sends requests from any thread; the lock only keeps the proxy alive meanwhile,
    // and sending never waits on the compositor, so the UI thread is never held up here.
    const std::lock_guard lock(m_mutex);
    if (!m_offer)
        return false;
    zwlr_data_control_offer_v1_receive(m_offer, mimeType.constData(), fd);
    m_connection->flush();
    return true;
}

void DataControlOffer::withdraw() {
    {
        const std::lock_guard lock(m_mutex);
        if (m_offer)
            zwlr_data_control_offer_v1_destroy(m_offer);
        m_offer = nullptr;
        m_connection = nullptr;
    }
    m_withdrawn.set();
}
