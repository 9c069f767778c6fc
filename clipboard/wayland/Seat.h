#pragma once

#include <cstdint>

struct wl_array;
struct wl_keyboard;
struct wl_seat;
struct wl_surface;

namespace clipboard::wayland {

// The seat whose clipboard is read and set, and, for the core protocol,
// where its keyboard is: the compositor hands the clipboard only to the
// surface that has it, and takes a new one at the serial it came with.
class Seat {
public:
    Seat(wl_seat *seat, uint32_t version);
    ~Seat();
    Seat(const Seat &) = delete;
    Seat &operator=(const Seat &) = delete;

    wl_seat *get() const { return m_seat; }

    // Follows the keyboard from now on, whenever the seat has one.
    void followKeyboard();
    // The surface that has the keyboard, and the serial it came with.
    wl_surface *focus() const { return m_focus; }
    uint32_t enterSerial() const { return m_enterSerial; }
    // A surface of ours that goes: it has the keyboard no longer.
    void forget(wl_surface *surface);

private:
    void updateKeyboard();
    static void onCapabilities(void *data, wl_seat *seat, uint32_t capabilities);
    static void onName(void *data, wl_seat *seat, const char *name);
    static void onKeymap(void *data, wl_keyboard *keyboard, uint32_t format, int fd, uint32_t size);
    static void onEnter(void *data, wl_keyboard *keyboard, uint32_t serial, wl_surface *surface, wl_array *keys);
    static void onLeave(void *data, wl_keyboard *keyboard, uint32_t serial, wl_surface *surface);
    static void onKey(void *data, wl_keyboard *keyboard, uint32_t serial, uint32_t time, uint32_t key, uint32_t state);
    static void onModifiers(void *data, wl_keyboard *keyboard, uint32_t serial, uint32_t depressed, uint32_t latched,
                            uint32_t locked, uint32_t group);
    static void onRepeatInfo(void *data, wl_keyboard *keyboard, int32_t rate, int32_t delay);

    wl_seat *m_seat;
    uint32_t m_version;
    uint32_t m_capabilities = 0;
    bool m_follow = false;
    wl_keyboard *m_keyboard = nullptr;
    wl_surface *m_focus = nullptr;
    uint32_t m_enterSerial = 0;
};

} // namespace clipboard::wayland
