#pragma once

#include "Device.h"

#include <memory>
#include <string>

namespace clipboard {

// Connects to the X server named by DISPLAY; nullptr, with error said in
// the program's words, when none answers.
std::unique_ptr<Device> openX11(std::string &error);

} // namespace clipboard
