// The wlroots data-control protocol, which compositors offered before the ext one.
#include "DataControl.h"
#include "Registry.h"

#include "wlr-data-control-unstable-v1-client.h"

namespace clipboard::wayland {

namespace {

struct WlrProtocol {
    using Manager = zwlr_data_control_manager_v1;
    using Device = zwlr_data_control_device_v1;
    using Source = zwlr_data_control_source_v1;
    using OfferProxy = zwlr_data_control_offer_v1;
    using DeviceListener = zwlr_data_control_device_v1_listener;
    using SourceListener = zwlr_data_control_source_v1_listener;
    using OfferListener = zwlr_data_control_offer_v1_listener;

    static Device *getDevice(Manager *manager, wl_seat *seat) { return zwlr_data_control_manager_v1_get_data_device(manager, seat); }
    static Source *createSource(Manager *manager) { return zwlr_data_control_manager_v1_create_data_source(manager); }
    static void offer(Source *source, const char *type) { zwlr_data_control_source_v1_offer(source, type); }
    static void setSelection(Device *device, Source *source) { zwlr_data_control_device_v1_set_selection(device, source); }
    static void receive(OfferProxy *offer, const char *type, int fd) { zwlr_data_control_offer_v1_receive(offer, type, fd); }

    static void listen(Device *device, const DeviceListener *listener, void *data)
    {
        zwlr_data_control_device_v1_add_listener(device, listener, data);
    }
    static void listen(Source *source, const SourceListener *listener, void *data)
    {
        zwlr_data_control_source_v1_add_listener(source, listener, data);
    }
    static void listen(OfferProxy *offer, const OfferListener *listener, void *data)
    {
        zwlr_data_control_offer_v1_add_listener(offer, listener, data);
    }

    static void destroy(Manager *manager) { zwlr_data_control_manager_v1_destroy(manager); }
    static void destroy(Device *device) { zwlr_data_control_device_v1_destroy(device); }
    static void destroy(Source *source) { zwlr_data_control_source_v1_destroy(source); }
    static void destroy(OfferProxy *offer) { zwlr_data_control_offer_v1_destroy(offer); }
};

} // namespace

std::unique_ptr<Way> makeWlrDataControl(const Registry &registry, wl_seat *seat, WayEvents &events)
{
    auto *manager = registry.bind<WlrProtocol::Manager>(zwlr_data_control_manager_v1_interface, 2);
    if (!manager)
        return nullptr;
    return std::make_unique<DataControlWay<WlrProtocol>>(manager, seat, events);
}

} // namespace clipboard::wayland
