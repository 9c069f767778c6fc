#include "Registry.h"

#include <wayland-client.h>

#include <algorithm>

namespace clipboard::wayland {

Registry::Registry(wl_display *display)
    : m_registry(wl_display_get_registry(display))
{
    static const wl_registry_listener listener = {&Registry::onGlobal, &Registry::onGlobalRemove};
    if (m_registry)
        wl_registry_add_listener(m_registry, &listener, this);
}

Registry::~Registry()
{
    if (m_registry)
        wl_registry_destroy(m_registry);
}

uint32_t Registry::version(const wl_interface &interface) const
{
    uint32_t most = 0;
    for (const Global &global : m_globals)
        if (global.interface == interface.name)
            most = std::max(most, global.version);
    return most;
}

void *Registry::bindGlobal(const wl_interface &interface, uint32_t most, uint32_t *bound) const
{
    for (const Global &global : m_globals) {
        if (global.interface != interface.name)
            continue;
        // Never above what this program was built to understand.
        const uint32_t version = std::min({global.version, most, uint32_t(interface.version)});
        if (bound)
            *bound = version;
        return wl_registry_bind(m_registry, global.name, &interface, version);
    }
    return nullptr;
}

void Registry::onGlobal(void *data, wl_registry *, uint32_t name, const char *interface, uint32_t version)
{
    static_cast<Registry *>(data)->m_globals.push_back({name, interface, version});
}

void Registry::onGlobalRemove(void *data, wl_registry *, uint32_t name)
{
    auto &globals = static_cast<Registry *>(data)->m_globals;
    globals.erase(std::remove_if(globals.begin(), globals.end(), [name](const Global &g) { return g.name == name; }),
                  globals.end());
}

} // namespace clipboard::wayland
