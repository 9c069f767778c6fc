#include "Display.h"

#include <wayland-client.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace clipboard::wayland {

int pollTimeout(Clock::time_point deadline)
{
    const Clock::time_point now = Clock::now();
    if (deadline <= now)
        return 0;
    // Rounded up: a wake-up just before the deadline would only poll again.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return left > INT_MAX ? INT_MAX : int(left);
}

Display::Display(wl_display *display)
    : m_display(display)
{
}

Display::~Display()
{
    wl_display_disconnect(m_display);
}

bool Display::broken() const
{
    return m_pollError != 0 || wl_display_get_error(m_display) != 0;
}

std::string Display::failure() const
{
    const int error = wl_display_get_error(m_display);
    if (error == EPROTO) {
        const wl_interface *interface = nullptr;
        uint32_t id = 0;
        const uint32_t code = wl_display_get_protocol_error(m_display, &interface, &id);
        return std::string("the desktop refused a request (") + (interface ? interface->name : "unknown object")
             + " error " + std::to_string(code) + ")";
    }
    if (error == 0 && m_pollError != 0)
        return std::string("waiting for the desktop failed: ") + std::strerror(m_pollError);
    return "the connection to the desktop was lost";
}

bool Display::step(Clock::time_point deadline, std::vector<pollfd> &fds)
{
    if (broken()) {
        if (!fds.empty() && poll(fds.data(), nfds_t(fds.size()), pollTimeout(deadline)) < 0)
            for (pollfd &fd : fds)
                fd.revents = 0;
        return false;
    }
    // Events read already are handled before waiting for more.
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0)
            return false;
    }
    short events = POLLIN;
    if (wl_display_flush(m_display) < 0) {
        if (errno != EAGAIN) {
            wl_display_cancel_read(m_display);
            return false;
        }
        // The socket is full: what is left goes once it takes more.
        events |= POLLOUT;
    }
    fds.insert(fds.begin(), pollfd{wl_display_get_fd(m_display), events, 0});
    const int ready = poll(fds.data(), nfds_t(fds.size()), pollTimeout(deadline));
    const int pollErrno = errno;
    const short own = fds.front().revents;
    fds.erase(fds.begin());
    if (ready < 0) {
        wl_display_cancel_read(m_display);
        for (pollfd &fd : fds)
            fd.revents = 0;
        if (pollErrno == EINTR)
            return true;
        m_pollError = pollErrno;
        return false;
    }
    if (own & (POLLIN | POLLERR | POLLHUP)) {
        if (wl_display_read_events(m_display) < 0)
            return false;
    } else {
        wl_display_cancel_read(m_display);
    }
    return wl_display_dispatch_pending(m_display) >= 0;
}

bool Display::roundtrip(Clock::time_point deadline)
{
    Sync sync(m_display);
    std::vector<pollfd> none;
    while (!sync.done()) {
        if (Clock::now() >= deadline || !step(deadline, none))
            return false;
    }
    return true;
}

Sync::Sync(wl_display *display)
    : m_callback(wl_display_sync(display))
{
    static const wl_callback_listener listener = {&Sync::onDone};
    if (m_callback)
        wl_callback_add_listener(m_callback, &listener, this);
}

Sync::~Sync()
{
    if (m_callback)
        wl_callback_destroy(m_callback);
}

void Sync::onDone(void *data, wl_callback *callback, uint32_t)
{
    auto *self = static_cast<Sync *>(data);
    wl_callback_destroy(callback);
    self->m_callback = nullptr;
    self->m_done = true;
}

} // namespace clipboard::wayland
