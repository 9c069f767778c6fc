#pragma once

#include "Device.h"

#include <memory>
#include <string>

namespace clipboard {

// The clipboard of the desktop this program runs on: Wayland's where
// WAYLAND_DISPLAY (or WAYLAND_SOCKET) names a compositor that answers, else
// X11's where DISPLAY does. nullptr, with the reason said, when neither.
std::unique_ptr<Device> openDesktop(std::string &error);

} // namespace clipboard
