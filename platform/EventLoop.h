#pragma once

namespace platform {

// One pass over the pending user-interface events: input, paints, timers.
class EventLoop {
public:
    virtual ~EventLoop() = default;
    virtual void yield() = 0;
};

class QtEventLoop final : public EventLoop {
public:
    void yield() override;
};

} // namespace platform
