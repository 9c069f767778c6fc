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

class QtEventLoop final : public EventLoop {
public:
    void yield() override;
    void sleep() override;
};

} // namespace platform
