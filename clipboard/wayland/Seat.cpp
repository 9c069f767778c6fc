#include "Seat.h"

#include <wayland-client.h>

#include <unistd.h>

namespace clipboard::wayland {

Seat::Seat(wl_seat *seat, uint32_t version)
    : m_seat(seat), m_version(version)
{
    static const wl_seat_listener listener = {&Seat::onCapabilities, &Seat::onName};
    wl_seat_add_listener(m_seat, &listener, this);
}

Seat::~Seat()
{
    m_follow = false;
    m_capabilities = 0;
    updateKeyboard();
    if (m_version >= WL_SEAT_RELEASE_SINCE_VERSION)
        wl_seat_release(m_seat);
    else
        wl_seat_destroy(m_seat);
}

void Seat::followKeyboard()
{
    m_follow = true;
    updateKeyboard();
}

void Seat::forget(wl_surface *surface)
{
    if (surface && surface == m_focus)
        m_focus = nullptr;
}

void Seat::updateKeyboard()
{
    const bool wanted = m_follow && (m_capabilities & WL_SEAT_CAPABILITY_KEYBOARD);
    if (wanted && !m_keyboard) {
        static const wl_keyboard_listener listener = {&Seat::onKeymap, &Seat::onEnter,     &Seat::onLeave,
                                                      &Seat::onKey,    &Seat::onModifiers, &Seat::onRepeatInfo};
        m_keyboard = wl_seat_get_keyboard(m_seat);
        if (m_keyboard)
            wl_keyboard_add_listener(m_keyboard, &listener, this);
    } else if (!wanted && m_keyboard) {
        if (m_version >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
            wl_keyboard_release(m_keyboard);
        else
            wl_keyboard_destroy(m_keyboard);
        m_keyboard = nullptr;
        m_focus = nullptr;
    }
}

void Seat::onCapabilities(void *data, wl_seat *, uint32_t capabilities)
{
    auto *self = static_cast<Seat *>(data);
    self->m_capabilities = capabilities;
    self->updateKeyboard();
}

void Seat::onName(void *, wl_seat *, const char *)
{
}

void Seat::onKeymap(void *, wl_keyboard *, uint32_t, int fd, uint32_t)
{
    // Keys are never read: the keymap is not needed.
    close(fd);
}

void Seat::onEnter(void *data, wl_keyboard *, uint32_t serial, wl_surface *surface, wl_array *)
{
    auto *self = static_cast<Seat *>(data);
    self->m_focus = surface;
    self->m_enterSerial = serial;
}

void Seat::onLeave(void *data, wl_keyboard *, uint32_t, wl_surface *)
{
    static_cast<Seat *>(data)->m_focus = nullptr;
}

void Seat::onKey(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t)
{
}

void Seat::onModifiers(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t)
{
}

void Seat::onRepeatInfo(void *, wl_keyboard *, int32_t, int32_t)
{
}

} // namespace clipboard::wayland
