#pragma once

namespace platform {

// The user-interface events: input, paints, timers.
class EventLoop {
public:
    virtual ~EventLoop() = default;
    // One pass over the pending events.
    virtual void yield() = 0;
    // Sleeps until at least one event has arrived, and handles what came.
    virtual void sleep() = 0;
};

// Chooses Qt's own event loop over GLib's for the application about to be
// made, unless QT_NO_GLIB is set (even empty: the user's choice stands).
// The batch pass lets events run after every character, and Qt's loop does
// that faster, much faster with Qt 6.8; nothing here needs GLib's loop.
void preferQtEventLoop();

// The name of the event loop the application runs, for measurements.
const char *eventLoopName();

class QtEventLoop final : public EventLoop {
public:
    void yield() override;
    void sleep() override;
};

} // namespace platform
