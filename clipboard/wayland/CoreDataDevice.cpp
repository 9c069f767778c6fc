#include "CoreDataDevice.h"
#include "Registry.h"
#include "Seat.h"
#include "Window.h"

#include "xdg-shell-client.h"
#include <wayland-client.h>

#include <unistd.h>

#include <algorithm>
#include <vector>

namespace clipboard::wayland {

namespace {

class CoreOffer final : public Offer {
public:
    explicit CoreOffer(wl_data_offer *proxy)
        : m_proxy(proxy)
    {
        static const wl_data_offer_listener listener = {&onOffer, &onSourceActions, &onAction};
        wl_data_offer_add_listener(m_proxy, &listener, this);
    }
    ~CoreOffer() override { wl_data_offer_destroy(m_proxy); }
    CoreOffer(const CoreOffer &) = delete;
    CoreOffer &operator=(const CoreOffer &) = delete;

    void receive(const char *type, int fd) override { wl_data_offer_receive(m_proxy, type, fd); }
    wl_data_offer *proxy() const { return m_proxy; }

private:
    static void onOffer(void *data, wl_data_offer *, const char *type) { static_cast<CoreOffer *>(data)->addType(type); }
    static void onSourceActions(void *, wl_data_offer *, uint32_t) {}
    static void onAction(void *, wl_data_offer *, uint32_t) {}

    wl_data_offer *m_proxy;
};

class CoreDataDevice final : public Way {
public:
    CoreDataDevice(wl_data_device_manager *manager, const Registry &registry, Seat &seat, WayEvents &events)
        : m_manager(manager), m_shell(registry), m_seat(seat), m_events(events)
        , m_device(wl_data_device_manager_get_data_device(manager, seat.get()))
    {
        static const wl_data_device_listener listener = {&onDataOffer, &onEnter, &onLeave,
                                                         &onMotion,    &onDrop,  &onSelection};
        if (m_device)
            wl_data_device_add_listener(m_device, &listener, this);
        m_seat.followKeyboard();
    }

    ~CoreDataDevice() override
    {
        dropSource();
        settled();
        m_pending.clear();
        if (m_device) {
            if (wl_data_device_get_version(m_device) >= WL_DATA_DEVICE_RELEASE_SINCE_VERSION)
                wl_data_device_release(m_device);
            else
                wl_data_device_destroy(m_device);
        }
        wl_data_device_manager_destroy(m_manager);
    }

    CoreDataDevice(const CoreDataDevice &) = delete;
    CoreDataDevice &operator=(const CoreDataDevice &) = delete;

    bool complete() const { return m_device && m_shell.complete(); }

    bool approach(std::string &error) override
    {
        if (m_window)
            return true;
        m_window = m_shell.openWindow(error);
        return m_window != nullptr;
    }

    bool ready() const override { return m_window && m_seat.focus() == m_window->surface(); }

    void setSelection(const std::vector<std::string> &types) override
    {
        dropSource();
        m_source = wl_data_device_manager_create_data_source(m_manager);
        if (!m_source)
            return;
        static const wl_data_source_listener listener = {&onTarget,           &onSend,       &onCancelled,
                                                         &onDndDropPerformed, &onDndFinished, &onAction};
        wl_data_source_add_listener(m_source, &listener, this);
        for (const std::string &type : types)
            wl_data_source_offer(m_source, type.c_str());
        // The compositor takes it only at the serial the keyboard came
        // with; otherwise it ignores the request without a word.
        wl_data_device_set_selection(m_device, m_source, m_seat.enterSerial());
    }

    void dropSource() override
    {
        if (m_source)
            wl_data_source_destroy(m_source);
        m_source = nullptr;
    }

    void settled() override
    {
        if (!m_window)
            return;
        m_seat.forget(m_window->surface());
        m_window.reset();
    }

private:
    std::unique_ptr<CoreOffer> take(wl_data_offer *proxy)
    {
        const auto found = std::find_if(m_pending.begin(), m_pending.end(),
                                        [proxy](const std::unique_ptr<CoreOffer> &o) { return o->proxy() == proxy; });
        if (!proxy || found == m_pending.end())
            return nullptr;
        std::unique_ptr<CoreOffer> offer = std::move(*found);
        m_pending.erase(found);
        return offer;
    }

    static void onDataOffer(void *data, wl_data_device *, wl_data_offer *proxy)
    {
        if (proxy)
            static_cast<CoreDataDevice *>(data)->m_pending.push_back(std::make_unique<CoreOffer>(proxy));
    }

    static void onSelection(void *data, wl_data_device *, wl_data_offer *proxy)
    {
        auto *self = static_cast<CoreDataDevice *>(data);
        self->m_events.selection(self->take(proxy));
    }

    // Something dragged over the window: never dropped here, its offer goes.
    static void onEnter(void *data, wl_data_device *, uint32_t, wl_surface *, wl_fixed_t, wl_fixed_t,
                        wl_data_offer *proxy)
    {
        static_cast<CoreDataDevice *>(data)->take(proxy);
    }
    static void onLeave(void *, wl_data_device *) {}
    static void onMotion(void *, wl_data_device *, uint32_t, wl_fixed_t, wl_fixed_t) {}
    static void onDrop(void *, wl_data_device *) {}

    static void onTarget(void *, wl_data_source *, const char *) {}
    static void onSend(void *data, wl_data_source *source, const char *type, int fd)
    {
        auto *self = static_cast<CoreDataDevice *>(data);
        if (source == self->m_source)
            self->m_events.send(type, fd);
        else
            close(fd);
    }
    static void onCancelled(void *data, wl_data_source *source)
    {
        auto *self = static_cast<CoreDataDevice *>(data);
        if (source != self->m_source)
            return;
        self->dropSource();
        self->m_events.cancelled();
    }
    static void onDndDropPerformed(void *, wl_data_source *) {}
    static void onDndFinished(void *, wl_data_source *) {}
    static void onAction(void *, wl_data_source *, uint32_t) {}

    wl_data_device_manager *m_manager;
    Shell m_shell;
    Seat &m_seat;
    WayEvents &m_events;
    wl_data_device *m_device;
    wl_data_source *m_source = nullptr;
    std::unique_ptr<Window> m_window;
    std::vector<std::unique_ptr<CoreOffer>> m_pending;
};

} // namespace

std::unique_ptr<Way> makeCoreDataDevice(const Registry &registry, Seat &seat, WayEvents &events)
{
    // Nothing bound unless the whole way is there.
    if (!registry.version(wl_data_device_manager_interface) || !registry.version(wl_compositor_interface)
        || !registry.version(wl_shm_interface) || !registry.version(xdg_wm_base_interface))
        return nullptr;
    auto *manager = registry.bind<wl_data_device_manager>(wl_data_device_manager_interface, 3);
    if (!manager)
        return nullptr;
    auto way = std::make_unique<CoreDataDevice>(manager, registry, seat, events);
    if (!way->complete())
        return nullptr;
    return way;
}

} // namespace clipboard::wayland
