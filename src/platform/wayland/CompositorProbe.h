#pragma once

// Whether the compositor of $WAYLAND_DISPLAY offers data control and a seat: asked on a short
// connection of its own, made before Qt picks its platform.
bool compositorOffersDataControl();
