#pragma once

#include "Way.h"

#include <memory>

struct wl_seat;

namespace clipboard::wayland {

class Registry;
class Seat;

// The core protocol's data device, for compositors without data-control:
// the clipboard is shown only to the surface with the keyboard and taken
// from it, so a small window is made for as long as that takes. Nullptr
// when the compositor lacks the data device or the shell.
std::unique_ptr<Way> makeCoreDataDevice(const Registry &registry, Seat &seat, WayEvents &events);

} // namespace clipboard::wayland
