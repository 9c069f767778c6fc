#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct wl_display;
struct wl_interface;
struct wl_registry;

namespace clipboard::wayland {

// The globals the compositor announced: what the device chooses its way by.
class Registry {
public:
    explicit Registry(wl_display *display);
    ~Registry();
    Registry(const Registry &) = delete;
    Registry &operator=(const Registry &) = delete;

    // The highest version announced of an interface; 0 when it is not.
    uint32_t version(const wl_interface &interface) const;

    // Binds the first global of an interface at its version, at most the
    // one given; nullptr when it is not announced. bound, if given, says at
    // which version.
    template <typename T>
    T *bind(const wl_interface &interface, uint32_t most, uint32_t *bound = nullptr) const
    {
        return static_cast<T *>(bindGlobal(interface, most, bound));
    }

private:
    struct Global {
        uint32_t name;
        std::string interface;
        uint32_t version;
    };

    void *bindGlobal(const wl_interface &interface, uint32_t most, uint32_t *bound) const;
    static void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version);
    static void onGlobalRemove(void *data, wl_registry *registry, uint32_t name);

    wl_registry *m_registry;
    std::vector<Global> m_globals;
};

} // namespace clipboard::wayland
