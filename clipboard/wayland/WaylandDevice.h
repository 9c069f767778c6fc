#pragma once

#include "clipboard/Device.h"

#include <memory>
#include <string>

namespace clipboard {
// Connects to the compositor named by WAYLAND_DISPLAY or WAYLAND_SOCKET;
// nullptr, with error said in the program's words, when none answers.
std::unique_ptr<Device> openWayland(std::string &error);
}
