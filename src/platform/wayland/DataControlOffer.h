#pragma once

#include "platform/wayland/PollableFlag.h"

#include <QByteArray>
#include <QByteArrayList>

#include <mutex>

struct zwlr_data_control_offer_v1;
class WaylandConnection;

// One selection another program offers, as the compositor tells it: its MIME types, and the way
// to ask that program for their bytes. Made and withdrawn on the UI thread, asked from any thread
// while the selection lasts; shared by the pasteboard and the contents read from it.
class DataControlOffer {
public:
    // Takes the proxy and collects the MIME types the compositor announces for it.
    DataControlOffer(zwlr_data_control_offer_v1 *offer, WaylandConnection &connection);
    ~DataControlOffer();
    DataControlOffer(const DataControlOffer &) = delete;
    DataControlOffer &operator=(const DataControlOffer &) = delete;

    // Complete once the compositor has named this offer the selection; unchanged after.
    const QByteArrayList &mimeTypes() const { return m_mimeTypes; }

    // Asks the owner to write the bytes of `mimeType` into `fd` and close it; false once
    // withdrawn. Safe from any thread.
    bool receive(const QByteArray &mimeType, int fd);

    // The selection changed or the pasteboard goes: nothing more is asked, and withdrawnFd()
    // turns readable. UI thread only.
    void withdraw();
    int withdrawnFd() const { return m_withdrawn.fd(); }

private:
    static void offered(void *data, zwlr_data_control_offer_v1 *offer, const char *mimeType);

    std::mutex m_mutex; // guards the proxy against a receive while it is destroyed
    zwlr_data_control_offer_v1 *m_offer = nullptr;
    WaylandConnection *m_connection = nullptr; // lives while m_offer does
    QByteArrayList m_mimeTypes;
    PollableFlag m_withdrawn;
};
