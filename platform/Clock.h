#pragma once

namespace platform {

// The time of day in seconds since midnight, fraction included.
class Clock {
public:
    virtual ~Clock() = default;
    virtual float secondsSinceMidnight() const = 0;
};

class SystemClock final : public Clock {
public:
    float secondsSinceMidnight() const override;
};

} // namespace platform
