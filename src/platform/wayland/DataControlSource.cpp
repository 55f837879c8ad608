#include "platform/wayland/DataControlSource.h"

#include "platform/wayland/PipeWriters.h"
#include "platform/wayland/WaylandConnection.h"

#include <wlr-data-control-unstable-v1-client.h>

DataControlSource::DataControlSource(WaylandConnection &connection, Flavours flavours,
                                     PipeWriters &writers, std::function<void()> cancelled)
    : m_source(zwlr_data_control_manager_v1_create_data_source(connection.dataControl()))
    , m_flavours(std::move(flavours))
    , m_writers(writers)
    , m_cancelled(std::move(cancelled)) {
    static const zwlr_data_control_source_v1_listener listener{&send, &cancel};
    zwlr_data_control_source_v1_add_listener(m_source, &listener, this);
    for (const auto &flavour : std::as_const(m_flavours))
        zwlr_data_control_source_v1_offer(m_source, flavour.first.constData());
}

DataControlSource::~DataControlSource() {
    zwlr_data_control_source_v1_destroy(m_source);
}

void DataControlSource::send(void *data, zwlr_data_control_source_v1 *, const char *mimeType,
                             int32_t fd) {
    auto *self = static_cast<DataControlSource *>(data);
    UniqueFd pipe(fd);
    const QByteArray type(mimeType);
    for (const auto &flavour : std::as_const(self->m_flavours)) {
        if (flavour.first == type) {
            self->m_writers.write(std::move(pipe), type, flavour.second);
            return;
        }
    }
}

void DataControlSource::cancel(void *data, zwlr_data_control_source_v1 *) {
    // A copy: the call may destroy this source, and the function with it.
    const std::function<void()> cancelled = static_cast<DataControlSource *>(data)->m_cancelled;
    cancelled();
}
