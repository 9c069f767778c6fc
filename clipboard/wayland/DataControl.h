#pragma once

#include "Way.h"

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <vector>

struct wl_seat;

namespace clipboard::wayland {

class Registry;

// The data-control protocols, the ext one and the older wlroots one: the
// clipboard read and set with no surface at all. Nullptr when the
// compositor does not announce that protocol's manager.
std::unique_ptr<Way> makeExtDataControl(const Registry &registry, wl_seat *seat, WayEvents &events);
std::unique_ptr<Way> makeWlrDataControl(const Registry &registry, wl_seat *seat, WayEvents &events);

// Both protocols have the same requests and events under other names; P
// names them (ExtDataControl.cpp, WlrDataControl.cpp).
template <typename P>
class DataControlWay final : public Way {
public:
    DataControlWay(typename P::Manager *manager, wl_seat *seat, WayEvents &events)
        : m_manager(manager), m_events(events), m_device(P::getDevice(manager, seat))
    {
        static const typename P::DeviceListener listener = {&onDataOffer, &onSelection, &onFinished,
                                                            &onPrimarySelection};
        if (m_device)
            P::listen(m_device, &listener, this);
    }

    ~DataControlWay() override
    {
        dropSource();
        m_pending.clear();
        if (m_device)
            P::destroy(m_device);
        P::destroy(m_manager);
    }

    DataControlWay(const DataControlWay &) = delete;
    DataControlWay &operator=(const DataControlWay &) = delete;

    void setSelection(const std::vector<std::string> &types) override
    {
        dropSource();
        if (!m_device)
            return;
        m_source = P::createSource(m_manager);
        if (!m_source)
            return;
        static const typename P::SourceListener listener = {&onSend, &onCancelled};
        P::listen(m_source, &listener, this);
        for (const std::string &type : types)
            P::offer(m_source, type.c_str());
        P::setSelection(m_device, m_source);
    }

    void dropSource() override
    {
        if (m_source)
            P::destroy(m_source);
        m_source = nullptr;
    }

private:
    class DataOffer final : public Offer {
    public:
        explicit DataOffer(typename P::OfferProxy *proxy)
            : m_proxy(proxy)
        {
            static const typename P::OfferListener listener = {&onOffer};
            P::listen(m_proxy, &listener, this);
        }
        ~DataOffer() override { P::destroy(m_proxy); }
        DataOffer(const DataOffer &) = delete;
        DataOffer &operator=(const DataOffer &) = delete;

        void receive(const char *type, int fd) override { P::receive(m_proxy, type, fd); }
        typename P::OfferProxy *proxy() const { return m_proxy; }

    private:
        static void onOffer(void *data, typename P::OfferProxy *, const char *type)
        {
            static_cast<DataOffer *>(data)->addType(type);
        }

        typename P::OfferProxy *m_proxy;
    };

    // The offer announced for proxy, taken out of those waiting; nullptr
    // for none.
    std::unique_ptr<DataOffer> take(typename P::OfferProxy *proxy)
    {
        const auto found = std::find_if(m_pending.begin(), m_pending.end(),
                                        [proxy](const std::unique_ptr<DataOffer> &o) { return o->proxy() == proxy; });
        if (!proxy || found == m_pending.end())
            return nullptr;
        std::unique_ptr<DataOffer> offer = std::move(*found);
        m_pending.erase(found);
        return offer;
    }

    static void onDataOffer(void *data, typename P::Device *, typename P::OfferProxy *proxy)
    {
        if (proxy)
            static_cast<DataControlWay *>(data)->m_pending.push_back(std::make_unique<DataOffer>(proxy));
    }

    static void onSelection(void *data, typename P::Device *, typename P::OfferProxy *proxy)
    {
        auto *self = static_cast<DataControlWay *>(data);
        self->m_events.selection(self->take(proxy));
    }

    // Text selected elsewhere: not the clipboard, so its offer goes at once.
    static void onPrimarySelection(void *data, typename P::Device *, typename P::OfferProxy *proxy)
    {
        static_cast<DataControlWay *>(data)->take(proxy);
    }

    static void onFinished(void *data, typename P::Device *)
    {
        auto *self = static_cast<DataControlWay *>(data);
        P::destroy(self->m_device);
        self->m_device = nullptr;
        self->m_events.withdrawn();
    }

    static void onSend(void *data, typename P::Source *source, const char *type, int fd)
    {
        auto *self = static_cast<DataControlWay *>(data);
        if (source == self->m_source)
            self->m_events.send(type, fd);
        else
            close(fd);
    }

    static void onCancelled(void *data, typename P::Source *source)
    {
        auto *self = static_cast<DataControlWay *>(data);
        if (source != self->m_source)
            return;
        self->dropSource();
        self->m_events.cancelled();
    }

    typename P::Manager *m_manager;
    WayEvents &m_events;
    typename P::Device *m_device;
    typename P::Source *m_source = nullptr;
    std::vector<std::unique_ptr<DataOffer>> m_pending;
};

} // namespace clipboard::wayland
