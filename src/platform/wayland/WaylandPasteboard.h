#pragma once

#include "platform/Pasteboard.h"
#include "platform/wayland/DataControlSource.h"

#include <QHash>

#include <chrono>
#include <memory>

struct zwlr_data_control_device_v1;
struct zwlr_data_control_offer_v1;
class DataControlOffer;
class PipeWriters;
class WaylandConnection;

// The clipboard of a compositor that offers data control (wlroots compositors, KWin); the
// primary selection is ignored. The change count advances on each write of ours and on every
// selection the compositor reports that is not ours. Another program's content is read on the
// capture worker through pipes with short waits, once per change; pastes of ours are answered on
// writer threads. Wayland tells only that the clipboard is empty, never why: every emptying by
// another program is reported as its owner leaving.
class WaylandPasteboard : public Pasteboard {
    Q_OBJECT
public:
    // Uses `connection`, which must outlive this; without data control it stays empty and still.
    explicit WaylandPasteboard(WaylandConnection &connection, QObject *parent = nullptr);
    ~WaylandPasteboard() override;

    // Whether the compositor lets us see and set the clipboard.
    bool isAvailable() const { return m_device != nullptr; }

    qint64 changeCount() const override { return m_changeCount; }
    std::unique_ptr<PasteboardContents> contents() override;
    void setContents(const PasteboardData &data) override;
    bool holdsOwnWrite() override { return m_holdsOwnWrite; }
    bool tellsClearFromOwnerLeaving() const override { return false; }

private:
    static void dataOffer(void *data, zwlr_data_control_device_v1 *device,
                          zwlr_data_control_offer_v1 *offer);
    static void selection(void *data, zwlr_data_control_device_v1 *device,
                          zwlr_data_control_offer_v1 *offer);
    static void finished(void *data, zwlr_data_control_device_v1 *device);
    static void primarySelection(void *data, zwlr_data_control_device_v1 *device,
                                 zwlr_data_control_offer_v1 *offer);
    void selected(zwlr_data_control_offer_v1 *offer);
    void replaced();
    void stop();

    WaylandConnection &m_connection;
    zwlr_data_control_device_v1 *m_device = nullptr;
    std::unique_ptr<PipeWriters> m_writers;      // outlives the source it answers for
    std::unique_ptr<DataControlSource> m_source; // our write while the compositor holds it
    DataControlSource::Flavours m_written;       // what our last write offers
    QHash<zwlr_data_control_offer_v1 *, std::shared_ptr<DataControlOffer>> m_announced;
    std::shared_ptr<DataControlOffer> m_current; // another program's selection, or null
    qint64 m_changeCount = 0;
    int m_writesUnanswered = 0; // writes of ours the compositor may still echo
    bool m_started = false;     // the selection told when the device is made is no change
    bool m_holdsOwnWrite = false;
};
