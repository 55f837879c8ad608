#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>

struct wl_callback;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwlr_data_control_manager_v1;
struct zwlr_foreign_toplevel_manager_v1;
struct zwp_virtual_keyboard_manager_v1;

class QSocketNotifier;

// A connection of our own to the Wayland compositor ($WAYLAND_DISPLAY), with the globals the
// platform code uses. Its events are read and dispatched on the thread that made it (the UI
// thread) as they arrive, never waiting for them; requests may be made from any thread on proxies
// of its default queue (libwayland serialises them), followed by flush().
class WaylandConnection : public QObject {
    Q_OBJECT
public:
    // Connects and learns the globals, waiting for the compositor's answer once.
    explicit WaylandConnection(QObject *parent = nullptr);
    ~WaylandConnection() override;

    // Whether the connection was made and still works.
    bool isConnected() const;
    wl_display *display() const { return m_display.get(); }
    // The first seat, or null.
    wl_seat *seat() const { return m_seat; }
    // Data control at version 2 at most, or null when the compositor offers none.
    zwlr_data_control_manager_v1 *dataControl() const { return m_dataControl; }
    // The virtual keyboard manager, or null when the compositor offers none to us.
    zwp_virtual_keyboard_manager_v1 *virtualKeyboards() const { return m_virtualKeyboards; }
    // Whether the compositor offers the list of every application's toplevel windows.
    bool offersToplevels() const { return m_toplevelsName != 0; }
    // A new binding of that list at version 3 at most, owned by the caller, who sets its
    // listener before the next dispatch; null when not offered.
    zwlr_foreign_toplevel_manager_v1 *bindToplevels();

    // Sends the requests made so far. Safe from any thread.
    void flush();
    // Calls `done` on this thread once the compositor has handled every request made before,
    // and we every event it sent before answering; not once `context` is gone.
    void sync(const QObject *context, std::function<void()> done);
    // Waits for the compositor to handle every request made so far and dispatches its answers.
    // Only while starting, before anyone else speaks to it.
    bool roundTrip();

Q_SIGNALS:
    // The compositor closed the connection or reported an error; nothing more arrives.
    void lost();

private:
    struct DisplayDeleter {
        void operator()(wl_display *display) const;
    };
    struct PendingSync {
        wl_callback *callback;
        QPointer<const QObject> context;
        std::function<void()> done;
    };

    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface,
                       uint32_t version);
    static void globalRemoved(void *data, wl_registry *registry, uint32_t name);
    static void synced(void *data, wl_callback *callback, uint32_t serial);
    void readEvents();
    void dispatchPending();
    void fail();

    std::unique_ptr<wl_display, DisplayDeleter> m_display;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    zwlr_data_control_manager_v1 *m_dataControl = nullptr;
    zwp_virtual_keyboard_manager_v1 *m_virtualKeyboards = nullptr;
    uint32_t m_toplevelsName = 0;
    uint32_t m_toplevelsVersion = 0;
    std::list<std::unique_ptr<PendingSync>> m_syncs;
    QSocketNotifier *m_readable = nullptr; // children
    QSocketNotifier *m_writable = nullptr;
    std::atomic<bool> m_failed = false;
};
