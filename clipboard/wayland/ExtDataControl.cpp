// The ext data-control protocol, the one wayland-protocols keeps.
#include "DataControl.h"
#include "Registry.h"

#include "ext-data-control-v1-client.h"

namespace clipboard::wayland {

namespace {

struct ExtProtocol {
    using Manager = ext_data_control_manager_v1;
    using Device = ext_data_control_device_v1;
    using Source = ext_data_control_source_v1;
    using OfferProxy = ext_data_control_offer_v1;
    using DeviceListener = ext_data_control_device_v1_listener;
    using SourceListener = ext_data_control_source_v1_listener;
    using OfferListener = ext_data_control_offer_v1_listener;

    static Device *getDevice(Manager *manager, wl_seat *seat) { return ext_data_control_manager_v1_get_data_device(manager, seat); }
    static Source *createSource(Manager *manager) { return ext_data_control_manager_v1_create_data_source(manager); }
    static void offer(Source *source, const char *type) { ext_data_control_source_v1_offer(source, type); }
    static void setSelection(Device *device, Source *source) { ext_data_control_device_v1_set_selection(device, source); }
    static void receive(OfferProxy *offer, const char *type, int fd) { ext_data_control_offer_v1_receive(offer, type, fd); }

    static void listen(Device *device, const DeviceListener *listener, void *data)
    {
        ext_data_control_device_v1_add_listener(device, listener, data);
    }
    static void listen(Source *source, const SourceListener *listener, void *data)
    {
        ext_data_control_source_v1_add_listener(source, listener, data);
    }
    static void listen(OfferProxy *offer, const OfferListener *listener, void *data)
    {
        ext_data_control_offer_v1_add_listener(offer, listener, data);
    }

    static void destroy(Manager *manager) { ext_data_control_manager_v1_destroy(manager); }
    static void destroy(Device *device) { ext_data_control_device_v1_destroy(device); }
    static void destroy(Source *source) { ext_data_control_source_v1_destroy(source); }
    static void destroy(OfferProxy *offer) { ext_data_control_offer_v1_destroy(offer); }
};

} // namespace

std::unique_ptr<Way> makeExtDataControl(const Registry &registry, wl_seat *seat, WayEvents &events)
{
    auto *manager = registry.bind<ExtProtocol::Manager>(ext_data_control_manager_v1_interface, 1);
    if (!manager)
        return nullptr;
    return std::make_unique<DataControlWay<ExtProtocol>>(manager, seat, events);
}

} // namespace clipboard::wayland
