#pragma once

#include "clipboard/Device.h"

#include <poll.h>

#include <string>
#include <vector>

struct wl_callback;
struct wl_display;

namespace clipboard::wayland {

// The connection to the compositor, waited on together with the pipes of
// the transfers in flight, never past a deadline.
class Display {
public:
    explicit Display(wl_display *display);
    ~Display();
    Display(const Display &) = delete;
    Display &operator=(const Display &) = delete;

    wl_display *get() const { return m_display; }

    // Sends what was asked, waits for the compositor's events or for one of
    // fds until the deadline at most, and dispatches what came. fds' revents
    // say which of them are ready. False once the connection is broken;
    // then only fds are waited on.
    bool step(Clock::time_point deadline, std::vector<pollfd> &fds);

    // Waits until the compositor has answered everything asked so far.
    bool roundtrip(Clock::time_point deadline);

    bool broken() const;
    // Why the connection broke, in the program's words.
    std::string failure() const;

private:
    wl_display *m_display;
    int m_pollError = 0;
};

// The compositor's answer to a sync request: everything asked before it
// has been taken.
class Sync {
public:
    explicit Sync(wl_display *display);
    ~Sync();
    Sync(const Sync &) = delete;
    Sync &operator=(const Sync &) = delete;

    bool done() const { return m_done; }

private:
    static void onDone(void *data, wl_callback *callback, uint32_t);

    wl_callback *m_callback;
    bool m_done = false;
};

// Milliseconds left to a deadline for poll: 0 once passed.
int pollTimeout(Clock::time_point deadline);

} // namespace clipboard::wayland
