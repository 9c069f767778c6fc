#pragma once

#include <QtGlobal>

#include <ctime>
#include <functional>

class QObject;

namespace platform {

class Timer;

// The time of day in seconds since midnight, fraction included, and the
// timers that run on the same time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual float secondsSinceMidnight() const = 0;
    // A stopped timer that owner owns. Unless a clock keeps a time of its
    // own, this is a timer on real time.
    virtual Timer *newTimer(QObject *owner);
    // Runs action once, ms from now, unless context is gone by then.
    virtual void singleShot(int ms, QObject *context, std::function<void()> action);
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
    mutable timespec m_lastTick{};
    mutable float m_lastSeconds = 0;
    mutable bool m_lastKnown = false;
};

} // namespace platform
