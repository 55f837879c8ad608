#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

#include <functional>

struct zwlr_data_control_source_v1;
class PipeWriters;
class WaylandConnection;

// One write of ours, held by the compositor as the selection: every flavour offered at once,
// each paste answered by the writers. Lives on the UI thread.
class DataControlSource {
public:
    using Flavours = QList<QPair<QByteArray, QByteArray>>; // MIME type, bytes; in offer order

    // `cancelled` is called when another program's selection replaces this one; it may destroy
    // this source.
    DataControlSource(WaylandConnection &connection, Flavours flavours, PipeWriters &writers,
                      std::function<void()> cancelled);
    ~DataControlSource();
    DataControlSource(const DataControlSource &) = delete;
    DataControlSource &operator=(const DataControlSource &) = delete;

    zwlr_data_control_source_v1 *proxy() const { return m_source; }

private:
    static void send(void *data, zwlr_data_control_source_v1 *source, const char *mimeType,
                     int32_t fd);
    static void cancel(void *data, zwlr_data_control_source_v1 *source);

    zwlr_data_control_source_v1 *m_source = nullptr;
    Flavours m_flavours;
    PipeWriters &m_writers;
    std::function<void()> m_cancelled;
};
