#pragma once

#include <QtGlobal>

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

private:
    // Asking for the local time costs a look at the time-zone file each
    // time; the offset from UTC is taken again once a second instead.
    mutable qint64 m_offsetMs = 0;
    mutable qint64 m_offsetTakenAtMs = 0;
    mutable bool m_offsetKnown = false;
};

} // namespace platform
