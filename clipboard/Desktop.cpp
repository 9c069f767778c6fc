#include "Desktop.h"

#include "X11Device.h"
#include "wayland/WaylandDevice.h"

#include <cstdlib>

namespace clipboard {

namespace {

bool named(const char *variable)
{
    const char *value = std::getenv(variable);
    return value && *value;
}

} // namespace

std::unique_ptr<Device> openDesktop(std::string &error)
{
    const bool wayland = named("WAYLAND_DISPLAY") || named("WAYLAND_SOCKET");
    const bool x11 = named("DISPLAY");
    std::string why;
    if (wayland) {
        if (std::unique_ptr<Device> device = openWayland(why))
            return device;
    }
    if (x11) {
        std::string x11Why;
        if (std::unique_ptr<Device> device = openX11(x11Why))
            return device;
        why = why.empty() ? x11Why : why + " and " + x11Why;
    }
    if (!wayland && !x11)
        why = "neither DISPLAY nor WAYLAND_DISPLAY is set";
    error = "no display found (" + why + "); 'tessaly -r' filters text without one";
    return nullptr;
}

} // namespace clipboard
