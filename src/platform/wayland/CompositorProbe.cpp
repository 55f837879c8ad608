#include "platform/wayland/CompositorProbe.h"

#include <wayland-client.h>

#include <cstring>
#include <memory>

namespace {

struct Offered {
    bool dataControl = false;
    bool seat = false;
};

void global(void *data, wl_registry *, uint32_t, const char *interface, uint32_t) {
    auto *offered = static_cast<Offered *>(data);
    if (std::strcmp(interface, "zwlr_data_control_manager_v1") == 0)
        offered->dataControl = true;
    else if (std::strcmp(interface, wl_seat_interface.name) == 0)
        offered->seat = true;
}

void globalRemoved(void *, wl_registry *, uint32_t) {}

constexpr wl_registry_listener kListener{global, globalRemoved};

} // namespace

bool compositorOffersDataControl() {
    const std::unique_ptr<wl_display, void (*)(wl_display *)> display(wl_display_connect(nullptr),
                                                                      wl_display_disconnect);
    if (!display)
        return false;
    Offered offered;
    wl_registry *registry = wl_display_get_registry(display.get());
    wl_registry_add_listener(registry, &kListener, &offered);
    const bool answered = wl_display_roundtrip(display.get()) >= 0;
    wl_registry_destroy(registry);
    return answered && offered.dataControl && offered.seat;
}
